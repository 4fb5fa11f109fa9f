// The real engine started through the engine API by engine_probe, a program that uses
// CefExecuteProcess, CefInitialize and CefShutdown as the client's entry function does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "local_http_server.h"

QT_BEGIN_NAMESPACE
// Readable failure messages.
inline void PrintTo(const QString &text, std::ostream *out) {
    *out << text.toStdString();
}
QT_END_NAMESPACE

namespace {

QString probe_path;

const char kUserAgent[] = "Mozilla/5.0 (X11; probe) VantoroProbe/7.7";
const char kSiteName[] = "probe.vantoro.example";

// The port every debugging test on this machine uses, one at a time (the suite runs under its
// lock): a port taken from the free ones and handed over could be taken again in between.
constexpr quint16 kDevToolsPort = 7788;

QByteArray httpGet(quint16 port, const QByteArray &path) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(3000)) {
        return QByteArray();
    }
    socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    QByteArray reply;
    while (socket.waitForReadyRead(3000)) {
        reply += socket.readAll();
    }
    return reply;
}

// Every file and folder below root, relative to it.
QStringList treeBelow(const QString &root) {
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        entries << QDir(root).relativeFilePath(it.next());
    }
    return entries;
}

struct ProbeRun {
    QTemporaryDir dir;
    QString home;
    QString cache;
    QString markers;
    int exit_code = -1;
    QProcess::ExitStatus exit_status = QProcess::CrashExit;
    QByteArray error_output;
    QMap<QString, QString> results;
    QByteArray devtools_reply;
    // What the same request got from a process of another user; empty when it was not asked.
    QByteArray foreign_devtools_reply;
    bool foreign_asked = false;
    QList<LocalHttpServer::Request> requests;

    QStringList markerNames(const QString &prefix) const {
        return QDir(markers).entryList({prefix + QLatin1Char('*')}, QDir::Files);
    }
};

// Asks the debugging port for /json/version from a process of the unprivileged user "nobody",
// where this test may change users.
void askAsAnotherUser(ProbeRun &run) {
    if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty()) {
        return;
    }
    QProcess curl;
    curl.start(QStringLiteral("setpriv"),
               {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                QStringLiteral("--clear-groups"), QStringLiteral("curl"), QStringLiteral("-si"),
                QStringLiteral("-m"), QStringLiteral("5"),
                QStringLiteral("http://127.0.0.1:%1/json/version").arg(kDevToolsPort)});
    run.foreign_asked = curl.waitForFinished(10000);
    run.foreign_devtools_reply = curl.readAllStandardOutput();
}

struct ProbeOptions {
    bool on_disk = true;
    bool engine_defaults = false;
    QStringList arguments;
};

// Starts the probe with HOME in a fresh folder, waits for its page, asks its remote-debugging
// port for /json/version while it runs, then lets it shut down.
std::unique_ptr<ProbeRun> runProbe(const ProbeOptions &options) {
    auto run = std::make_unique<ProbeRun>();
    run->home = run->dir.filePath(QStringLiteral("home"));
    run->cache = run->home + QStringLiteral("/data/cache");
    run->markers = run->dir.filePath(QStringLiteral("markers"));
    QDir().mkpath(run->home);
    QDir().mkpath(run->markers);
    const QString results_path = run->dir.filePath(QStringLiteral("results"));
    const QString release_path = run->dir.filePath(QStringLiteral("release"));

    LocalHttpServer server;
    if (!server.start()) {
        return run;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : environment.keys()) {
        if (name.startsWith(QLatin1String("QTWEBENGINE_")) ||
            name.startsWith(QLatin1String("XDG_")) ||
            name.endsWith(QLatin1String("_proxy"), Qt::CaseInsensitive)) {
            environment.remove(name);
        }
    }
    environment.insert(QStringLiteral("HOME"), run->home);
    // The sound the page plays makes the audio system link its runtime folder from HOME; that is
    // the system's state, not the engine's.
    environment.insert(QStringLiteral("PULSE_RUNTIME_PATH"),
                       run->dir.filePath(QStringLiteral("pulse")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("VT_PROBE_MARKERS"), run->markers);
    environment.insert(QStringLiteral("VT_PROBE_CACHE"), options.on_disk ? run->cache : QString());
    environment.insert(QStringLiteral("VT_PROBE_PORT"), QString::number(kDevToolsPort));
    environment.insert(QStringLiteral("VT_PROBE_URL"),
                       QStringLiteral("http://%1/page").arg(QLatin1String(kSiteName)));
    environment.insert(QStringLiteral("VT_PROBE_RESULTS"), results_path);
    environment.insert(QStringLiteral("VT_PROBE_RELEASE"), release_path);
    if (options.engine_defaults) {
        environment.insert(QStringLiteral("VT_PROBE_DEFAULTS"), QStringLiteral("1"));
    }

    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.setWorkingDirectory(run->dir.path());
    // Switches on the process's own command line, one with spaces, as an operator would give them.
    probe.start(probe_path, QStringList{QStringLiteral("--host-resolver-rules=MAP %1 127.0.0.1:%2")
                                            .arg(QLatin1String(kSiteName))
                                            .arg(server.serverPort())} +
                                options.arguments);
    const auto readResults = [&] {
        QFile file(results_path);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                const int equals = line.indexOf('=');
                if (equals > 0) {
                    run->results.insert(QString::fromUtf8(line.left(equals)),
                                        QString::fromUtf8(line.mid(equals + 1)));
                }
            }
        }
    };
    const bool is_browser = !options.arguments.join(QLatin1Char(' ')).contains("--type=");
    if (is_browser) {
        const bool ready = QTest::qWaitFor(
            [&] {
                readResults();
                return run->results.contains(QStringLiteral("ready")) ||
                       probe.state() == QProcess::NotRunning;
            },
            40000);
        if (ready) {
            run->devtools_reply = httpGet(kDevToolsPort, "/json/version");
            askAsAnotherUser(*run);
        }
        QFile(release_path).open(QIODevice::WriteOnly);
    }
    if (!QTest::qWaitFor([&] { return probe.state() == QProcess::NotRunning; }, 40000)) {
        probe.kill();
        probe.waitForFinished();
    }
    readResults();
    run->exit_code = probe.exitCode();
    run->exit_status = probe.exitStatus();
    run->error_output = probe.readAllStandardError();
    run->requests = server.requests();
    return run;
}

class EngineStart : public testing::Test {
protected:
    static void SetUpTestSuite() { run_ = runProbe(ProbeOptions()).release(); }
    static void TearDownTestSuite() {
        delete run_;
        run_ = nullptr;
    }

    static ProbeRun *run_;
};

ProbeRun *EngineStart::run_ = nullptr;

TEST_F(EngineStart, BrowserProcessRunsAndExitsCleanly) {
    EXPECT_EQ(run_->exit_status, QProcess::NormalExit);
    EXPECT_EQ(run_->exit_code, 0) << run_->error_output.constData();
    EXPECT_EQ(run_->results.value(QStringLiteral("load_ok")), QStringLiteral("1"));
}

TEST_F(EngineStart, SubProcessesStartFromTheSameExecutableAndRunTheHook) {
    const QStringList browser = run_->markerNames(QStringLiteral("hook.browser."));
    ASSERT_EQ(browser.size(), 1);
    const QStringList zygotes = run_->markerNames(QStringLiteral("hook.zygote."));
    ASSERT_FALSE(zygotes.isEmpty());
    const QString executable = QFileInfo(probe_path).canonicalFilePath();
    for (const QString &marker : run_->markerNames(QStringLiteral("hook."))) {
        QFile file(QDir(run_->markers).filePath(marker));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(file.readAll()), executable) << marker.toStdString();
    }
    const QString browser_pid = browser.first().section(QLatin1Char('.'), -1);
    for (const QString &zygote : zygotes) {
        EXPECT_NE(zygote.section(QLatin1Char('.'), -1), browser_pid);
    }
}

TEST_F(EngineStart, ContextInitializedIsReportedOnce) {
    EXPECT_EQ(run_->markerNames(QStringLiteral("context-initialized.")),
              QStringList{QStringLiteral("context-initialized.1")});
}

TEST_F(EngineStart, SwitchesReachChromium) {
    // remote-debugging-port, from the hook.
    EXPECT_TRUE(run_->devtools_reply.startsWith("HTTP/1.1 200"))
        << run_->devtools_reply.constData();
    EXPECT_TRUE(run_->devtools_reply.contains("\"webSocketDebuggerUrl\": \"ws://"));
    // host-resolver-rules with a space-separated value, from the process's own command line.
    ASSERT_FALSE(run_->requests.isEmpty());
    const LocalHttpServer::Request &request = run_->requests.first();
    EXPECT_EQ(request.request_line, "GET /page HTTP/1.1");
    EXPECT_TRUE(request.headers.value("host").startsWith(kSiteName));
    // user-agent, from the hook: for the request and for page script alike.
    EXPECT_EQ(request.headers.value("user-agent"), QByteArray(kUserAgent));
    EXPECT_EQ(run_->results.value(QStringLiteral("user_agent")), QLatin1String(kUserAgent));
    // autoplay-policy, from the hook.
    EXPECT_EQ(run_->results.value(QStringLiteral("autoplay")), QStringLiteral("played"));
    // locale.
    EXPECT_TRUE(request.headers.value("accept-language").startsWith("zh-CN"))
        << request.headers.value("accept-language").constData();
    // disable-gpu, from the hook: the page is also composed without OpenGL.
    EXPECT_EQ(run_->results.value(QStringLiteral("scene_backend")), QStringLiteral("software"));
}

TEST_F(EngineStart, DebuggingPortAnswersItsOwnUserOnly) {
    if (!run_->foreign_asked) {
        GTEST_SKIP() << "needs root and setpriv to connect as another user";
    }
    EXPECT_TRUE(run_->devtools_reply.startsWith("HTTP/1.1 200"));
    EXPECT_TRUE(run_->foreign_devtools_reply.isEmpty()) << run_->foreign_devtools_reply.constData();
}

TEST_F(EngineStart, CacheAndSiteDataStayBelowTheCachePath) {
    const QStringList tree = treeBelow(run_->home);
    for (const QString &entry : tree) {
        EXPECT_TRUE(entry == QLatin1String("data") ||
                    entry.startsWith(QLatin1String("data/cache")) ||
                    entry.startsWith(QLatin1String(".pki")))
            << entry.toStdString();
    }
    EXPECT_TRUE(tree.contains(QStringLiteral("data/cache/Cookies")));
    EXPECT_TRUE(tree.contains(QStringLiteral("data/cache/Local Storage")));
    EXPECT_TRUE(tree.contains(QStringLiteral("data/cache/Cache")));
    EXPECT_TRUE(tree.contains(QStringLiteral("data/cache/user_prefs.json")));
    EXPECT_FALSE(tree.contains(QStringLiteral("data/cache/ProfileDefaults")));
    // The page's lasting cookie reached the disk before the process ended.
    QFile cookies(run_->cache + QStringLiteral("/Cookies"));
    ASSERT_TRUE(cookies.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cookies.readAll().contains(kSiteName));
}

TEST_F(EngineStart, NothingBelowTheCachePathStaysOpenAfterShutdown) {
    // The check does see open files while the engine runs.
    EXPECT_FALSE(run_->results.value(QStringLiteral("open_before_shutdown")).isEmpty());
    EXPECT_TRUE(run_->results.contains(QStringLiteral("open_after_shutdown")));
    EXPECT_EQ(run_->results.value(QStringLiteral("open_after_shutdown")), QString());
}

TEST_F(EngineStart, DisabledLoggingKeepsEngineMessagesOffTheOutput) {
    const QString output = QString::fromUtf8(run_->error_output);
    EXPECT_FALSE(output.contains(QLatin1String("vt-console-marker"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QLatin1String("qt.webenginecontext"))) << output.toStdString();
    EXPECT_FALSE(output.contains(QLatin1String("Sandboxing disabled"))) << output.toStdString();
    // Chromium's own log lines: "[pid:tid:date/time.micros:LEVEL:file(line)] ...".
    EXPECT_FALSE(
        output.contains(QRegularExpression(QStringLiteral("\\[\\d+:\\d+:[\\d/.]+:[A-Z]+:"))))
        << output.toStdString();
}

// The same page with the engine's defaults shows that the checks above can fail.
TEST(EngineStartDefaults, ConsoleMessagesAppearAndAutoplayNeedsAGesture) {
    ProbeOptions options;
    options.engine_defaults = true;
    const std::unique_ptr<ProbeRun> run = runProbe(options);
    EXPECT_EQ(run->exit_code, 0);
    EXPECT_TRUE(run->error_output.contains("vt-console-marker")) << run->error_output.constData();
    EXPECT_EQ(run->results.value(QStringLiteral("autoplay")), QStringLiteral("NotAllowedError"));
}

TEST(EngineStartInMemory, EmptyCachePathStoresNothingOnDisk) {
    ProbeOptions options;
    options.on_disk = false;
    const std::unique_ptr<ProbeRun> run = runProbe(options);
    EXPECT_EQ(run->exit_code, 0) << run->error_output.constData();
    EXPECT_EQ(run->results.value(QStringLiteral("load_ok")), QStringLiteral("1"));
    EXPECT_EQ(run->results.value(QStringLiteral("user_agent")), QLatin1String(kUserAgent));
    for (const QString &entry : treeBelow(run->home)) {
        EXPECT_TRUE(entry.startsWith(QLatin1String(".pki"))) << entry.toStdString();
    }
}

// The client's exit code for such a role is checked end to end.
TEST(EngineStartRoles, UnknownRoleRunsTheHookAndStartsNothing) {
    ProbeOptions options;
    options.arguments = QStringList{QStringLiteral("--type=bogus")};
    const std::unique_ptr<ProbeRun> run = runProbe(options);
    EXPECT_EQ(run->exit_status, QProcess::NormalExit);
    EXPECT_EQ(run->markerNames(QStringLiteral("hook.bogus.")).size(), 1);
    EXPECT_TRUE(run->markerNames(QStringLiteral("hook.browser.")).isEmpty());
    EXPECT_TRUE(run->markerNames(QStringLiteral("context-initialized.")).isEmpty());
    EXPECT_TRUE(treeBelow(run->home).isEmpty());
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    probe_path = QStringLiteral(VT_ENGINE_PROBE);
    return RUN_ALL_TESTS();
}
