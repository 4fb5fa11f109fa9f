#include "app/vantoro_application.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <chrono>
#include <cstdio>

#include "app/bootstrap_cef.h"
#include "app/exit_deadline.h"
#include "app/single_instance.h"
#include "browser/room_link.h"
#include "include/cef_app.h"
#include "include/cef_command_line.h"
#include "paths/client_paths.h"
#include "platform/platform.h"
#include "stats/stat_beacon.h"
#include "ui/vantoro_client.h"

namespace {

const char kFirstRunMarker[] = "first.txt";
// How long a later start waits for the running client to show its window.
constexpr int kHandOverTimeoutMs = 2000;
// How long the shut-down may take once the window has closed, as long as a crash may take to end.
constexpr std::chrono::seconds kShutDownBound(10);

void complain(const char *text, const QString &folder) {
    std::fprintf(stderr, "vantoro-client: %s: %s\n", text,
                 QDir::toNativeSeparators(folder).toLocal8Bit().constData());
}

// The page link leads to, or an empty URL after one line on stderr that says why it opens nothing.
QUrl pageOfLink(const QString &link) {
    QString why;
    const QUrl page = RoomLink(VantoroClient::homePage()).pageFor(link, &why);
    if (page.isEmpty()) {
        // Whoever made the link chose its characters: none reaches a terminal as a control.
        QString shown = link.left(RoomLink::kMaxLength);
        for (QChar &c : shown) {
            if (!c.isPrint()) {
                c = QLatin1Char('?');
            }
        }
        std::fprintf(stderr, "vantoro-client: not opening %s: %s\n",
                     shown.toLocal8Bit().constData(), why.toLocal8Bit().constData());
    }
    return page;
}

}  // namespace

VantoroApplication::VantoroApplication(int &argc, char **argv) : argc_(argc), argv_(argv) {}

VantoroApplication::~VantoroApplication() = default;

int VantoroApplication::run() {
    // Before the engine and the client add their own variables: the desktop's handlers for
    // external links get the environment the client was started with.
    platform::keepStartEnvironment();
    // Before any process role starts, so that a crash in any of them, engine sub-processes
    // included, leaves a dump.
    platform::installCrashHandler();

    const int bridgeExit = platform::runSessionBusBridge(argc_, argv_);
    if (bridgeExit != -1) {
        return bridgeExit;
    }

    if (bootstrapCef(argc_, argv_, sandboxOff_) != -1) {
        return -1;
    }
    // From here on a request to end takes the close button's path, even before the window exists.
    const int endRequests = platform::watchEndRequests();

    startToolkit();
    watchEndRequests(endRequests);
    // After the toolkit has taken its own options ("-platform xcb") out of the arguments.
    readLink();

    int exitCode = 0;
    if (!holdDataFolder(exitCode)) {
        return exitCode;
    }

    // Said by the client that shows pages, not by a later start that only hands over.
    if (!sandboxOff_.empty()) {
        std::fprintf(stderr, "vantoro-client: pages run outside the sandbox: %s\n",
                     sandboxOff_.c_str());
    }

    showWindow();
    shutDown();
    return 0;
}

void VantoroApplication::startToolkit() {
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
    activationToken_ = qgetenv("XDG_ACTIVATION_TOKEN");
    toolkit_ = std::make_unique<QApplication>(argc_, argv_);
}

void VantoroApplication::watchEndRequests(int endRequests) {
    if (endRequests < 0) {
        return;
    }
    auto *notifier = new QSocketNotifier(endRequests, QSocketNotifier::Read, toolkit_.get());
    QObject::connect(notifier, &QSocketNotifier::activated, toolkit_.get(), [this, notifier] {
        notifier->setEnabled(false);
        endRequested_ = true;
        if (window_) {
            window_->quit();
        } else {
            QApplication::closeAllWindows();
        }
    });
}

bool VantoroApplication::holdDataFolder(int &exitCode) {
    // Before the window, the start beacon and the first-run marker: a later start on the same data
    // folder does none of them.
    dataFolder_ = ClientPaths::dataFolder();
    instance_ = std::make_unique<SingleInstance>(dataFolder_);
    if (dataFolder_.isEmpty()) {
        return true;
    }
    switch (instance_->start(kHandOverTimeoutMs, activationToken_, linkedPage_.toEncoded())) {
        case SingleInstance::kFirst:
            ownsDataFolder_ = true;
            if (!instance_->answerFailure().isEmpty()) {
                std::fprintf(stderr,
                             "vantoro-client: later starts cannot reach this client (%s); "
                             "they will end without showing it\n",
                             instance_->answerFailure().toLocal8Bit().constData());
            }
            return true;
        case SingleInstance::kHandedOver:
            exitCode = 0;
            return false;
        case SingleInstance::kNoAnswer:
            complain("the client already running on this data folder did not answer", dataFolder_);
            exitCode = 1;
            return false;
        case SingleInstance::kUnguarded:
            complain(
                "cannot lock the data folder; running without the one-client guarantee, and "
                "the folder is kept",
                dataFolder_);
            return true;
    }
    return true;
}

void VantoroApplication::readLink() {
    CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
    command_line->InitFromArgv(argc_, argv_);
    CefCommandLine::ArgumentList arguments;
    command_line->GetArguments(arguments);
    // A terminator ("--") stays ahead of the arguments behind it.
    if (!arguments.empty() && arguments.front().ToString() == "--") {
        arguments.erase(arguments.begin());
    }
    if (arguments.empty()) {
        return;
    }
    if (arguments.size() > 1) {
        std::fprintf(stderr, "vantoro-client: only the first of %zu links is opened\n",
                     arguments.size());
    }
    linkedPage_ = pageOfLink(QString::fromStdString(arguments.front().ToString()));
}

void VantoroApplication::openLink(const QByteArray &page, const QByteArray &activationToken) {
    // Checked again: the hand-over's socket is open to every program of the viewer's.
    const QUrl url = pageOfLink(QString::fromLatin1(page));
    if (url.isEmpty()) {
        window_->showAgain(activationToken);
    } else {
        window_->openPage(url, activationToken);
    }
}

bool VantoroApplication::takeFirstRunMarker() {
    if (QFile::exists(QString::fromLatin1(kFirstRunMarker))) {
        return false;
    }
    QFile marker(QString::fromLatin1(kFirstRunMarker));
    marker.open(QIODevice::WriteOnly | QIODevice::Text);
    marker.close();
    return true;
}

void VantoroApplication::showWindow() {
    // Meanwhile the engine starts and the window is built; the start beacon waits for it.
    prepareStatBeacons();
    window_ = std::make_unique<VantoroClient>(nullptr, linkedPage_);
    // The engine makes the page's browser while the start beacon holds the window back.
    sendStatBeacon(takeFirstRunMarker() ? kStatFirstStart : kStatLaterStart);
    QObject::connect(instance_.get(), &SingleInstance::showRequested, window_.get(),
                     &VantoroClient::showAgain);
    QObject::connect(instance_.get(), &SingleInstance::openRequested, window_.get(),
                     [this](const QByteArray &page, const QByteArray &activationToken) {
                         openLink(page, activationToken);
                     });
    if (!endRequested_) {
        window_->showAsLeft();
        // The loop ends when the last window has closed; its result does not change the exit code.
        QApplication::exec();
    }
}

void VantoroApplication::shutDown() {
    // The window saved its place and size as it closed; the zoom and the kept answers were
    // saved as they changed.
    startExitDeadline(kShutDownBound, 0);
    instance_->stopAnswering();

    // The engine must have closed its files below the data folder before the folder is removed.
    CefShutdown();

    // Without the lock another client may be using the folder.
    if (window_->clearCacheRequested && ownsDataFolder_) {
        platform::removeFolder(QDir::toNativeSeparators(QDir::cleanPath(dataFolder_)).toStdString(),
                               QDir::toNativeSeparators(instance_->lockFilePath()).toStdString());
        instance_->release();
        QDir().rmdir(dataFolder_);
    }
}
