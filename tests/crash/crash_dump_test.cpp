#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

// The second the handler names its dump by. time() reads the kernel's coarse clock, which may
// still show the second before: a span measured with it can end before the dump's name.
time_t wallClockSecond() {
    timespec clock{};
    clock_gettime(CLOCK_REALTIME, &clock);
    return clock.tv_sec;
}

// Runs the crashing child in a folder of its own and looks at what it leaves there.
class CrashDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vt-crash-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        setTimeZone("CET-1CEST,M3.5.0,M10.5.0/3");
    }
    void TearDown() override {
        chmod(folder_.c_str(), 0700);
        std::system(("rm -rf '" + folder_ + "'").c_str());
        unsetenv("TZ");
        tzset();
    }

    void setTimeZone(const std::string &zone) {
        setenv("TZ", zone.c_str(), 1);
        tzset();
    }

    enum class Launch { kPlain, kTraced, kUnprivileged };

    // Returns the child's wait status; records the span of time the crash happened in.
    int run(const std::string &mode, Launch launch = Launch::kPlain, int delay = 0) {
        started_ = wallClockSecond();
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(folder_.c_str()) != 0) {
                _exit(120);
            }
            if (launch == Launch::kTraced) {
                ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
            }
            if (launch == Launch::kUnprivileged && getuid() == 0 &&
                (setgid(65534) != 0 || setuid(65534) != 0)) {
                _exit(121);
            }
            const std::string seconds = std::to_string(delay);
            execl(VT_CRASH_CHILD, VT_CRASH_CHILD, mode.c_str(), seconds.c_str(),
                  static_cast<char *>(nullptr));
            _exit(122);
        }
        int status = 0;
        for (;;) {
            if (waitpid(child, &status, 0) != child) {
                ADD_FAILURE() << "lost the child";
                return 0;
            }
            if (!WIFSTOPPED(status)) {
                break;
            }
            // A tracer that hands every signal on, as a debugger told to continue does; the stop
            // at exec is its own.
            const int signal = WSTOPSIG(status) == SIGTRAP && !seenExecStop_ ? 0 : WSTOPSIG(status);
            seenExecStop_ = true;
            ptrace(PTRACE_CONT, child, nullptr,
                   reinterpret_cast<void *>(static_cast<long>(signal)));
        }
        ended_ = wallClockSecond();
        return status;
    }

    std::vector<std::string> folderEntries() const {
        std::vector<std::string> names;
        DIR *directory = opendir(folder_.c_str());
        while (const dirent *entry = directory ? readdir(directory) : nullptr) {
            if (entry->d_name[0] != '.') {
                names.push_back(entry->d_name);
            }
        }
        if (directory) {
            closedir(directory);
        }
        return names;
    }

    // The names a dump written between start and end may carry, in the zone set for the test.
    std::set<std::string> expectedNames() const {
        std::set<std::string> names;
        for (time_t moment = started_; moment <= ended_; ++moment) {
            std::tm local;
            localtime_r(&moment, &local);
            char name[64];
            strftime(name, sizeof name, "DumpDemo_v1.0-%Y%m%d-%H%M%S.dmp", &local);
            names.insert(name);
        }
        return names;
    }

    // The one dump in the folder, checked for name and signature; empty on failure.
    std::string onlyDump() const {
        const std::vector<std::string> entries = folderEntries();
        if (entries.size() != 1) {
            ADD_FAILURE() << "expected exactly one file, found " << entries.size();
            return std::string();
        }
        const std::set<std::string> names = expectedNames();
        EXPECT_TRUE(names.count(entries[0])) << entries[0] << " is not in local time of the crash, "
                                             << *names.begin() << " .. " << *names.rbegin();
        const std::string path = folder_ + "/" + entries[0];
        std::ifstream file(path, std::ios::binary);
        char signature[4] = {};
        file.read(signature, 4);
        EXPECT_EQ(std::string(signature, 4), "MDMP");
        return path;
    }

    // Runs a crash that must end the process by the signal and leave one dump: the debugger's
    // report of that dump, empty after a failure.
    std::string crashReport(const char *mode, int signal) {
        const int status = run(mode);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << mode << " " << status;
        const std::string dump = onlyDump();
        return dump.empty() ? std::string() : debuggerReport(dump);
    }

    static std::string debuggerReport(const std::string &dump) {
        const std::string command = "PYTHONPATH='" + std::string(VT_LLDB_PYTHONPATH) + "' '" +
                                    std::string(VT_LLDB) + "' --batch -c '" + dump +
                                    "' -o 'thread list' -o 'bt all' 2>&1";
        std::string output;
        if (FILE *pipe = popen(command.c_str(), "r")) {
            char buffer[4096];
            size_t got;
            while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
                output.append(buffer, got);
            }
            pclose(pipe);
        }
        return output;
    }

    // The crashing thread's stop reason, and function among its innermost frames (below
    // `depth`), as the debugger shows them.
    static void expectCrashIn(const std::string &report, const std::string &function,
                              const std::string &signal, int depth = 3) {
        const std::string stop = "stop reason = signal " + signal;
        const size_t crashing = report.find("* thread #");
        ASSERT_NE(crashing, std::string::npos) << report;
        const size_t line = report.find('\n', crashing);
        EXPECT_NE(report.substr(crashing, line - crashing).find(stop), std::string::npos) << report;
        const size_t frames = report.find("* thread #", line);
        ASSERT_NE(frames, std::string::npos) << report;
        const size_t firstFrames = report.find("frame #" + std::to_string(depth), frames);
        EXPECT_NE(report.substr(frames, firstFrames - frames).find(function), std::string::npos)
            << report;
    }

    std::string folder_;
    time_t started_ = 0;
    time_t ended_ = 0;
    bool seenExecStop_ = false;
};

TEST_F(CrashDumpTest, NullWriteDeepInTheMainThread) {
    const std::string report = crashReport("null", SIGSEGV);
    ASSERT_FALSE(report.empty());
    expectCrashIn(report, "writeThroughNull", "SIGSEGV");
    // The whole call chain, from the crashing function down to main.
    for (const char *caller : {"secondLevel", "firstLevel", "main"}) {
        EXPECT_NE(report.find(caller), std::string::npos) << caller << "\n" << report;
    }
}

TEST_F(CrashDumpTest, CrashInASecondThreadShowsEveryThread) {
    const std::string report = crashReport("thread", SIGSEGV);
    ASSERT_FALSE(report.empty());
    expectCrashIn(report, "writeThroughNull", "SIGSEGV");
    EXPECT_NE(report.find("crashInWorkerThread"), std::string::npos) << report;
    // The main thread, stopped by the helper, waits for the worker with a readable stack.
    EXPECT_NE(report.find("thread #2"), std::string::npos) << report;
    EXPECT_NE(report.find("std::thread::join"), std::string::npos) << report;
}

TEST_F(CrashDumpTest, DumpIsWrittenAfterOtherCodeResetOrChainedTheSignal) {
    for (const char *mode : {"reset-null", "declined-null"}) {
        const int status = run(mode);
        ASSERT_TRUE(WIFSIGNALED(status)) << mode << " " << status;
        EXPECT_EQ(WTERMSIG(status), SIGSEGV) << mode;
        const std::string dump = onlyDump();
        ASSERT_FALSE(dump.empty()) << mode;
        expectCrashIn(debuggerReport(dump), "writeThroughNull", "SIGSEGV");
        std::remove(dump.c_str());
    }
}

TEST_F(CrashDumpTest, OneShotHandlerOfOtherCodeRunsOnceBeforeTheDump) {
    const int status = run("one-shot-null");
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_FALSE(onlyDump().empty());
    struct stat marks;
    ASSERT_EQ(stat((folder_ + "/.one-shot-calls").c_str(), &marks), 0) << "the handler never ran";
    EXPECT_EQ(marks.st_size, 1);
}

TEST_F(CrashDumpTest, ThreadThatCannotBeStoppedDelaysTheEndBoundedly) {
    // A broken bound hangs: the alarm ends this test instead.
    alarm(60);
    const int status = run("stuck-thread-null");
    alarm(0);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_LE(ended_ - started_, 15);
    // The threads that could be stopped are in it.
    EXPECT_FALSE(onlyDump().empty());
}

TEST_F(CrashDumpTest, FaultThatAnotherHandlerRecoversFromIsNoCrash) {
    const int status = run("recovered-null");
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 42);
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(CrashDumpTest, Abort) {
    const std::string report = crashReport("abort", SIGABRT);
    ASSERT_FALSE(report.empty());
    // Below the C library's raise and abort.
    expectCrashIn(report, "abortOnPurpose", "SIGABRT", 5);
}

TEST_F(CrashDumpTest, StackOverflow) {
    const std::string report = crashReport("overflow", SIGSEGV);
    ASSERT_FALSE(report.empty());
    expectCrashIn(report, "recurseWithoutEnd", "SIGSEGV");
}

TEST_F(CrashDumpTest, NameFollowsADaylightSavingChangeAfterInstallation) {
    // A zone whose summer time begins two seconds after the child has installed its handler; the
    // child crashes a few seconds later, in summer time.
    const time_t change = time(nullptr) + 2;
    std::tm standard;
    const time_t standardLocal = change + 3600;
    gmtime_r(&standardLocal, &standard);
    const int startDay =
        standard.tm_yday + 1 - ((standard.tm_year % 4 == 0 && standard.tm_yday >= 59) ? 1 : 0);
    const int endDay = startDay > 300 ? 1 : startDay + 30;
    char zone[128];
    std::snprintf(zone, sizeof zone, "AAA-1BBB-2,J%d/%02d:%02d:%02d,J%d/00:00:00", startDay,
                  standard.tm_hour, standard.tm_min, standard.tm_sec, endDay);
    setTimeZone(zone);

    const int status = run("null", Launch::kPlain, 4);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    // The crash came after the change: only summer-time names may do.
    started_ = std::max(started_, change);
    EXPECT_FALSE(onlyDump().empty());
}

TEST_F(CrashDumpTest, ReplacesAFileOfTheSameName) {
    // Larger files under every name the next seconds can give: the dump must cut its file short.
    const std::string filler(1 << 20, 'x');
    const time_t now = time(nullptr);
    for (time_t moment = now; moment < now + 20; ++moment) {
        std::tm local;
        localtime_r(&moment, &local);
        char name[64];
        strftime(name, sizeof name, "DumpDemo_v1.0-%Y%m%d-%H%M%S.dmp", &local);
        std::ofstream(folder_ + "/" + name, std::ios::binary) << filler;
    }
    const int status = run("null");
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    int dumps = 0;
    for (const std::string &name : folderEntries()) {
        std::ifstream file(folder_ + "/" + name, std::ios::binary | std::ios::ate);
        const std::streamoff size = file.tellg();
        file.seekg(0);
        char signature[4] = {};
        file.read(signature, 4);
        if (std::string(signature, 4) == "MDMP") {
            ++dumps;
            EXPECT_TRUE(expectedNames().count(name)) << name;
            EXPECT_LT(size, static_cast<std::streamoff>(filler.size()));
        }
    }
    EXPECT_EQ(dumps, 1);
}

TEST_F(CrashDumpTest, UnderATracerNothingIsWritten) {
    const int status = run("null", Launch::kTraced);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    EXPECT_TRUE(folderEntries().empty());
}

TEST_F(CrashDumpTest, ReadOnlyFolderStillEndsByTheSignal) {
    ASSERT_EQ(chmod(folder_.c_str(), 0555), 0);
    for (const char *mode : {"null", "abort"}) {
        const int status = run(mode, Launch::kUnprivileged);
        ASSERT_TRUE(WIFSIGNALED(status)) << mode << " " << status;
        EXPECT_EQ(WTERMSIG(status), mode[0] == 'n' ? SIGSEGV : SIGABRT);
        EXPECT_TRUE(folderEntries().empty());
    }
}

}  // namespace
