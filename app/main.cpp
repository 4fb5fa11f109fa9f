#include <QApplication>
#include <QLoggingCategory>
#include <QString>

#include "app/bootstrap_cef.h"
#include "app/remove_folder.h"
#include "include/cef_app.h"
#include "platform/platform.h"
#include "ui/vantoro_client.h"

int main(int argc, char *argv[]) {
    // First, so that a crash in any process role, engine sub-processes included, leaves a dump.
    platform::installCrashHandler();

    if (bootstrapCef(argc, argv) != -1) {
        return -1;
    }

    // The main window's form names slots "on_return_home" and "on_clear_cookie", which the
    // automatic connections read as slots of objects named "return" and "clear" and warn about.
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.core.qmetaobject.connectslotsbyname=false"));
    // The page's widget gets a native window of its own for the engine; its siblings stay plain
    // widgets, as a native title bar would lose its transparent background.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication application(argc, argv);
    VantoroClient window(nullptr);
    window.show();
    // The loop ends when the last window has closed; its result does not change the exit code.
    application.exec();

    // The engine must have closed its files below the data folder before the folder is removed.
    CefShutdown();

    if (window.clearCacheRequested) {
        const std::string data_folder = platform::dataFolderPath();
        if (!data_folder.empty()) {
            removeFolder(QString::fromStdString(data_folder));
        }
    }
    return 0;
}
