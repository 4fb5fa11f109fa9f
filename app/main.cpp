#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QString>

#include <cstdio>
#include <string>

#include "app/bootstrap_cef.h"
#include "app/exit_deadline.h"
#include "app/single_instance.h"
#include "include/cef_app.h"
#include "platform/platform.h"
#include "stats/stat_beacon.h"
#include "ui/vantoro_client.h"

namespace {

// How long a later start waits for the running client to show its window.
constexpr int kHandOverTimeoutMs = 2000;
// How long the shut-down may take once the window has closed, as long as a crash may take to end.
constexpr std::chrono::seconds kShutDownBound(10);

void complain(const char *text, const QString &folder) {
    std::fprintf(stderr, "vantoro-client: %s: %s\n", text,
                 QDir::toNativeSeparators(folder).toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char *argv[]) {
    // Before the engine and the client add their own variables: the desktop's handlers for
    // external links get the environment the client was started with.
    platform::keepStartEnvironment();
    // Before any process role starts, so that a crash in any of them, engine sub-processes
    // included, leaves a dump.
    platform::installCrashHandler();

    const int bridgeExit = platform::runSessionBusBridge(argc, argv);
    if (bridgeExit != -1) {
        return bridgeExit;
    }

    std::string sandboxOff;
    if (bootstrapCef(argc, argv, sandboxOff) != -1) {
        return -1;
    }
    // From here on a request to end takes the close button's path, even before the window exists.
    const int endRequests = platform::watchEndRequests();

    // The main window's form names slots "on_return_home" and "on_clear_cookie", which the
    // automatic connections read as slots of objects named "return" and "clear" and warn about.
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.core.qmetaobject.connectslotsbyname=false"));
    // Where the page's widget gets a native window of its own for the engine, its siblings stay
    // plain widgets, as a native title bar would lose its transparent background.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    // Names the client's settings file in the user's configuration folder.
    QCoreApplication::setOrganizationName(QStringLiteral("VantoroClient"));
    const std::string windowSystemNote = platform::chooseWindowSystem();
    if (!windowSystemNote.empty()) {
        std::fprintf(stderr, "vantoro-client: %s\n", windowSystemNote.c_str());
    }
    // The desktop's permission for this start to bring a window to the front, read before the
    // toolkit takes it for a window of its own: a later start hands it to the running client.
    const QByteArray activationToken = qgetenv("XDG_ACTIVATION_TOKEN");
    QApplication application(argc, argv);
    bool endRequested = false;
    if (endRequests >= 0) {
        auto *notifier = new QSocketNotifier(endRequests, QSocketNotifier::Read, &application);
        QObject::connect(notifier, &QSocketNotifier::activated, &application,
                         [&endRequested, notifier] {
                             notifier->setEnabled(false);
                             endRequested = true;
                             QApplication::closeAllWindows();
                         });
    }

    // Before the window, the start beacon and the first-run marker: a later start on the same data
    // folder does none of them.
    const QString dataFolder = QString::fromStdString(platform::dataFolderPath());
    SingleInstance instance(dataFolder);
    bool ownsDataFolder = false;
    if (!dataFolder.isEmpty()) {
        switch (instance.start(kHandOverTimeoutMs, activationToken)) {
            case SingleInstance::kFirst:
                ownsDataFolder = true;
                if (!instance.answerFailure().isEmpty()) {
                    std::fprintf(stderr,
                                 "vantoro-client: later starts cannot reach this client (%s); "
                                 "they will end without showing it\n",
                                 instance.answerFailure().toLocal8Bit().constData());
                }
                break;
            case SingleInstance::kHandedOver:
                return 0;
            case SingleInstance::kNoAnswer:
                complain("the client already running on this data folder did not answer",
                         dataFolder);
                return 1;
            case SingleInstance::kUnguarded:
                complain(
                    "cannot lock the data folder; running without the one-client guarantee, and "
                    "the folder is kept",
                    dataFolder);
                break;
        }
    }

    // Said by the client that shows pages, not by a later start that only hands over.
    if (!sandboxOff.empty()) {
        std::fprintf(stderr, "vantoro-client: pages run outside the sandbox: %s\n",
                     sandboxOff.c_str());
    }

    // Meanwhile the engine starts and the window is built; the start beacon waits for it.
    prepareStatBeacons();
    VantoroClient window(nullptr);
    QObject::connect(&instance, &SingleInstance::showRequested, &window, &VantoroClient::showAgain);
    if (!endRequested) {
        window.showAsLeft();
        // The loop ends when the last window has closed; its result does not change the exit code.
        application.exec();
    }
    // The window saved its place and size as it closed; the zoom and the kept answers were
    // saved as they changed.
    startExitDeadline(kShutDownBound, 0);
    instance.stopAnswering();

    // The engine must have closed its files below the data folder before the folder is removed.
    CefShutdown();

    // Without the lock another client may be using the folder.
    if (window.clearCacheRequested && ownsDataFolder) {
        platform::removeFolder(QDir::toNativeSeparators(QDir::cleanPath(dataFolder)).toStdString(),
                               QDir::toNativeSeparators(instance.lockFilePath()).toStdString());
        instance.release();
        QDir().rmdir(dataFolder);
    }
    return 0;
}
