// A small program that starts the engine the way the client's entry function does, loads one page
// and reports what the engine test needs to see: which process roles ran the command-line hook,
// what the page saw, and which files stayed open after shutdown. Driven by the environment:
//   VT_PROBE_MARKERS  folder for one marker file per hook call and context notification
//   VT_PROBE_CACHE    the cache path (empty: in memory)
//   VT_PROBE_PORT     remote-debugging port the hook appends
//   VT_PROBE_URL      page to load
//   VT_PROBE_RESULTS  file the results are written to, one "key=value" per line
//   VT_PROBE_RELEASE  the probe keeps running until this file exists (at most 30 s)
//   VT_PROBE_DEFAULTS when set, the engine's logging stays at its default level and the hook
//                     leaves the autoplay policy alone
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <atomic>

#include "include/cef_app.h"
#include "src/engine_context.h"

namespace {

const char kUserAgent[] = "Mozilla/5.0 (X11; probe) VantoroProbe/7.7";

QString environment(const char *name) {
    return qEnvironmentVariable(name);
}

void writeMarker(const QString &name, const QString &text) {
    QFile file(environment("VT_PROBE_MARKERS") + QLatin1Char('/') + name);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(text.toUtf8());
    }
}

class ProbeApp : public CefApp, public CefBrowserProcessHandler {
public:
    void OnBeforeCommandLineProcessing(const CefString &process_type,
                                       CefRefPtr<CefCommandLine> command_line) override {
        command_line->AppendSwitchWithValue("remote-debugging-port",
                                            environment("VT_PROBE_PORT").toStdString());
        if (!qEnvironmentVariableIsSet("VT_PROBE_DEFAULTS")) {
            command_line->AppendSwitchWithValue("autoplay-policy", "no-user-gesture-required");
        }
        command_line->AppendSwitchWithValue("user-agent", kUserAgent);
        command_line->AppendSwitchWithValue("disable-gpu", "1");
        const QString role = process_type.empty() ? QStringLiteral("browser")
                                                  : QString::fromStdString(process_type.ToString());
        writeMarker(QStringLiteral("hook.%1.%2").arg(role).arg(getpid()),
                    QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    }
    CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override { return this; }
    void OnContextInitialized() override {
        const int count = ++context_initialized_;
        writeMarker(QStringLiteral("context-initialized.%1").arg(count), QString());
    }

private:
    std::atomic<int> context_initialized_{0};
    IMPLEMENT_REFCOUNTING(ProbeApp);
};

class Results {
public:
    void add(const QString &key, const QString &value) {
        QFile file(environment("VT_PROBE_RESULTS"));
        if (file.open(QIODevice::Append)) {
            file.write((key + QLatin1Char('=') + value + QLatin1Char('\n')).toUtf8());
        }
    }
};

// Files below the cache path this process still holds open.
QStringList openFilesBelow(const QString &folder) {
    QStringList open;
    const QString prefix = QDir(folder).canonicalPath() + QLatin1Char('/');
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd"))
                                   .entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                                  QDir::NoDotAndDotDot)) {
        const QString target = fd.symLinkTarget();
        if (!folder.isEmpty() && target.startsWith(prefix)) {
            open << target;
        }
    }
    return open;
}

// Stores site data, writes to the console, starts audible media without a user gesture (a short
// silent WAV) and answers with the user agent page script sees.
const char kPageScript[] = R"(
    localStorage.setItem('probe', 'stored');
    console.error('vt-console-marker');
    (() => {
        const samples = 800, bytes = new DataView(new ArrayBuffer(44 + samples));
        const text = (at, s) => [...s].forEach((c, i) => bytes.setUint8(at + i, c.charCodeAt(0)));
        text(0, 'RIFF'); bytes.setUint32(4, 36 + samples, true); text(8, 'WAVEfmt ');
        bytes.setUint32(16, 16, true); bytes.setUint16(20, 1, true); bytes.setUint16(22, 1, true);
        bytes.setUint32(24, 8000, true); bytes.setUint32(28, 8000, true);
        bytes.setUint16(32, 1, true); bytes.setUint16(34, 8, true);
        text(36, 'data'); bytes.setUint32(40, samples, true);
        for (let i = 0; i < samples; ++i) bytes.setUint8(44 + i, 128);
        const url = URL.createObjectURL(new Blob([bytes.buffer], {type: 'audio/wav'}));
        new Audio(url).play().then(() => { window.autoplayResult = 'played'; },
                                   (e) => { window.autoplayResult = e.name; });
    })();
    navigator.userAgent;
)";

}  // namespace

int main(int argc, char *argv[]) {
    CefMainArgs main_args(argc, argv);
    CefRefPtr<ProbeApp> app(new ProbeApp);
    if (CefExecuteProcess(main_args, app.get(), nullptr) >= 0) {
        return -1;
    }

    CefSettings settings;
    const CefString cache_path(environment("VT_PROBE_CACHE").toStdString());
    cef_string_utf16_set(cache_path.c_str(), cache_path.length(), &settings.cache_path, 1);
    const char locale[] = "zh-CN";
    cef_string_ascii_to_utf16(locale, sizeof locale - 1, &settings.locale);
    settings.multi_threaded_message_loop = 1;
    settings.log_severity =
        qEnvironmentVariableIsSet("VT_PROBE_DEFAULTS") ? LOGSEVERITY_DEFAULT : LOGSEVERITY_DISABLE;
    settings.no_sandbox = 1;
    CefInitialize(main_args, settings, app.get(), nullptr);
    app = nullptr;

    Results results;
    {
        QApplication application(argc, argv);
        QWebEnginePage *page = new QWebEnginePage(EngineContext::current()->profile());
        QTimer autoplay;
        EngineContext::current()->addShutdownHook([page] { delete page; });
        QObject::connect(page, &QWebEnginePage::loadFinished, [&](bool ok) {
            results.add(QStringLiteral("load_ok"), QString::number(ok));
            results.add(QStringLiteral("scene_backend"), QQuickWindow::sceneGraphBackend());
            page->runJavaScript(QString::fromLatin1(kPageScript), [&](const QVariant &value) {
                results.add(QStringLiteral("user_agent"), value.toString());
                autoplay.start(100);
            });
        });
        // play() settles asynchronously; page script cannot hand a promise back.
        QObject::connect(&autoplay, &QTimer::timeout, [&] {
            page->runJavaScript(QStringLiteral("window.autoplayResult"),
                                [&](const QVariant &value) {
                                    if (value.isValid() && autoplay.isActive()) {
                                        autoplay.stop();
                                        results.add(QStringLiteral("autoplay"), value.toString());
                                        results.add(QStringLiteral("ready"), QStringLiteral("1"));
                                    }
                                });
        });
        page->load(QUrl(environment("VT_PROBE_URL")));

        QTimer release;
        int waited = 0;
        QObject::connect(&release, &QTimer::timeout, [&] {
            waited += 50;
            if (QFile::exists(environment("VT_PROBE_RELEASE")) || waited > 30000) {
                application.quit();
            }
        });
        release.start(50);
        application.exec();

        results.add(QStringLiteral("open_before_shutdown"),
                    openFilesBelow(environment("VT_PROBE_CACHE")).join(QLatin1Char('|')));
        CefShutdown();
        results.add(QStringLiteral("open_after_shutdown"),
                    openFilesBelow(environment("VT_PROBE_CACHE")).join(QLatin1Char('|')));
    }
    return 0;
}
