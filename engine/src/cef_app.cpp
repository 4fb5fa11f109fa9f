#include "include/cef_app.h"

#include <QtWebEngineCore/private/qtwebenginecoreglobal_p.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "src/cef_command_line_impl.h"
#include "src/chromium_switches.h"
#include "src/engine_context.h"
#include "src/engine_log_filter.h"

namespace {

// The roles Chromium inside Qt WebEngine starts this executable for. Chromium traps on any other
// role, so such a start is handed back to the caller instead.
const char *const kEngineProcessTypes[] = {"zygote", "renderer", "gpu-process", "utility", "ppapi"};

// What a sub-process that failed or had an unknown role ends with: 0 or greater, so that the caller
// still knows it was not the browser process.
const int kFailedSubProcessExitCode = 1;

bool isEngineProcessType(const std::string &type) {
    for (const char *known : kEngineProcessTypes) {
        if (type == known) {
            return true;
        }
    }
    return false;
}

QString fromEngineString(const cef_string_t &value) {
    return QString::fromStdU16String(CefString(&value).ToString16());
}

CefRefPtr<CefCommandLineImpl> commandLineFromArgs(const CefMainArgs &args) {
    CefRefPtr<CefCommandLineImpl> command_line(new CefCommandLineImpl);
    command_line->InitFromArgv(args.argc, args.argv);
    return command_line;
}

}  // namespace

int CefExecuteProcess(const CefMainArgs &args, CefRefPtr<CefApp> application, void *) {
    CefRefPtr<CefCommandLineImpl> command_line = commandLineFromArgs(args);
    const CefString process_type = command_line->GetSwitchValue("type");
    if (process_type.empty()) {
        return -1;
    }
    if (application) {
        application->OnBeforeCommandLineProcessing(process_type, command_line.get());
    }
    if (!isEngineProcessType(process_type.ToString())) {
        return kFailedSubProcessExitCode;
    }
    // Before the engine confines this process: a crash inside the sandbox can still be dumped,
    // also in the processes a zygote forks.
    platform::joinSandboxedCrashDumps();

    std::vector<CefString> argv_strings;
    command_line->GetArgv(argv_strings);
    std::vector<std::string> storage;
    for (const CefString &arg : argv_strings) {
        storage.push_back(arg.ToString());
    }
    std::vector<const char *> argv;
    for (const std::string &arg : storage) {
        argv.push_back(arg.c_str());
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(storage.size());

    // Chromium rewrites the process title through argv; the application object gets a copy of
    // its own, as in Qt WebEngine's own process executable.
    std::vector<std::string> application_storage = storage;
    std::vector<char *> application_argv;
    for (std::string &arg : application_storage) {
        application_argv.push_back(&arg[0]);
    }
    application_argv.push_back(nullptr);
    int application_argc = argc;
    QCoreApplication sub_process_application(application_argc, application_argv.data());

    const int exit_code = QtWebEngineCore::processMain(argc, argv.data());
    // -1 would tell the caller that this is the browser process.
    return exit_code < 0 ? kFailedSubProcessExitCode : exit_code;
}

bool CefInitialize(const CefMainArgs &args, const CefSettings &settings,
                   CefRefPtr<CefApp> application, void *) {
    if (EngineContext::current()) {
        return false;
    }
    CefRefPtr<CefCommandLineImpl> command_line(new CefCommandLineImpl);
    if (settings.command_line_args_disabled) {
        if (args.argc > 0 && args.argv && args.argv[0]) {
            command_line->SetProgram(args.argv[0]);
        }
    } else {
        command_line = commandLineFromArgs(args);
    }
    if (application) {
        application->OnBeforeCommandLineProcessing(CefString(), command_line.get());
    }

    // Qt WebEngine reads these when its context starts, which is after this call: the switches
    // reach Chromium only through the environment once the application object exists.
    std::string flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").toStdString();
    const std::string switches = chromiumFlagsText(chromiumSwitches(*command_line, settings));
    flags += flags.empty() || switches.empty() ? switches : " " + switches;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray::fromStdString(flags));

    QString sub_process_path = fromEngineString(settings.browser_subprocess_path);
    if (sub_process_path.isEmpty()) {
        sub_process_path = QString::fromStdString(platform::executablePath());
    }
    if (!sub_process_path.isEmpty()) {
        qputenv("QTWEBENGINEPROCESS_PATH", QFile::encodeName(sub_process_path));
    }
    if (settings.no_sandbox) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    // Chromium inside Qt WebEngine ends the whole process when its session-bus connection
    // closes (the screen-saver inhibition and the media controls use it); a bus that goes away
    // mid-run must not take the client with it. Done before any of its threads exist.
    platform::relaySessionBus();
    // The remote-debugging endpoint answers whoever connects to its local port, and whoever
    // drives it reads the viewer's cookies and files: only the viewer's own processes may.
    platform::admitOwnUserOnly();
    // Qt WebEngine shares OpenGL contexts with the application's widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Without the GPU Chromium hands over pages already drawn in memory. Composing them through
    // OpenGL then only adds a software rasteriser's work on machines without a GPU driver, and
    // on a loaded machine that work competes with the page for the same cores. A backend the
    // user chose in the environment still wins.
    if (command_line->HasSwitch("disable-gpu") && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") &&
        qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND")) {
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }
    // The views' compiled shaders would otherwise be kept in the user's cache folder, outside the
    // engine's cache path.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);

    EngineContext::ProfileOptions options;
    options.cache_path = fromEngineString(settings.cache_path);
    // The switch wins over the setting: Chromium inside Qt WebEngine ignores it, the profile
    // applies it to requests and page script alike.
    options.user_agent =
        command_line->HasSwitch("user-agent")
            ? QString::fromStdString(command_line->GetSwitchValue("user-agent").ToString())
            : fromEngineString(settings.user_agent);
    options.accept_language = fromEngineString(settings.accept_language_list);
    if (options.accept_language.isEmpty()) {
        options.accept_language = fromEngineString(settings.locale);
    }
    options.persist_session_cookies = settings.persist_session_cookies != 0;
    if (settings.log_severity == LOGSEVERITY_DISABLE) {
        silenceEngineMessages();
    }
    EngineContext::create(application, options);
    return true;
}

void CefShutdown() {
    EngineContext::destroy();
}

void CefQuitMessageLoop() {}
