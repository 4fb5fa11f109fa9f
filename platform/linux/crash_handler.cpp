#include <cpuid.h>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/local_time_table.h"
#include "platform/linux/minidump_writer.h"
#include "platform/platform.h"

// Everything the signal handler runs must be safe in a crashed process: no allocation, no stdio,
// no locale, no lock that the crashed thread might hold. What cannot change is prepared at
// installation; what can (the process id in a forked renderer, the threads, modules and memory
// map) is read at crash time with plain system calls.

namespace platform {

namespace {

using linux_crash::CrashContext;
using linux_crash::LocalTimeTable;
using linux_crash::MachineFacts;
using linux_crash::MinidumpWriter;

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS};
constexpr std::size_t kAlternateStackSize = 256 * 1024;
// The whole crash path, dump and waits together, ends within this: a crashed process that hangs
// helps nobody, and a session's logout will not wait for it.
constexpr std::int64_t kCrashBoundNanoseconds = 10LL * 1000 * 1000 * 1000;

LocalTimeTable gLocalTime;
MachineFacts gMachine;
CrashContext gCrash;
std::atomic<pid_t> gHandlingThread{0};
// Set by the thread that writes the dump; 0 until then.
std::atomic<std::int64_t> gCrashDeadline{0};

// The actions that other code in the process set for the crash signals after installation. The
// engine resets the crash signals to their defaults when each of its processes starts, and installs
// handlers of its own; the kernel keeps ours, and sigaction below records theirs instead.
struct sigaction gChained[NSIG];
std::atomic<bool> gInstalled{false};

// Where a sub-process finds the browser process's dump service.
const char kDumpServiceVariable[] = "VT_CRASH_DUMP_SOCKET";
// A sub-process's connection to that service, inherited by the processes forked from it; -1 in
// the browser process and wherever there is no service.
int gDumpService = -1;

// What a crashed sub-process sends: the crash as its crashing thread saw it. Its process and
// thread ids are those of its own pid namespace; the service learns the process from the kernel.
struct DumpRequest {
    std::uint32_t magic;
    CrashContext crash;
};
constexpr std::uint32_t kDumpRequestMagic = 0x56544452;  // "VTDR"

bool isCrashSignal(int signal) {
    for (int crashSignal : kCrashSignals) {
        if (signal == crashSignal) {
            return true;
        }
    }
    return false;
}

bool chainedHandlerFor(int signal, struct sigaction &chained);

// The C library's own entry, so that the crash handler's actions are set even while sigaction
// below keeps other code from replacing them.
extern "C" int __sigaction(int, const struct sigaction *, struct sigaction *);

void restoreDefault(int signal) {
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    __sigaction(signal, &action, nullptr);
}

pid_t currentThread() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

// Ends the process by the signal it crashed with, so its exit status still names it: with the
// default action restored, the signal sent now is delivered as soon as the handler returns.
// Process 1 of a pid namespace (a sandboxed renderer) ignores a signal whose action is the
// default, so it ends itself, with the status a shell gives a process ended by that signal.
void endBySignal(int signal) {
    if (getpid() == 1) {
        syscall(SYS_exit_group, 128 + signal);
    }
    restoreDefault(signal);
    syscall(SYS_tgkill, getpid(), currentThread(), signal);
}

// TracerPid in /proc/self/status: a debugger (or any tracer) gets the signal instead of a dump.
bool traced() {
    char status[4096];
    const int file = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return false;
    }
    const ssize_t length = read(file, status, sizeof status - 1);
    close(file);
    if (length <= 0) {
        return false;
    }
    status[length] = '\0';
    const char *field = strstr(status, "TracerPid:");
    if (!field) {
        return false;
    }
    field += 10;
    while (*field == ' ' || *field == '\t') {
        ++field;
    }
    return *field != '0';
}

void appendNumber(char *&out, int value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out += width;
}

// "DumpDemo_v1.0-YYYYMMDD-HHMMSS.dmp" in local time, relative to the current directory.
// time() reads the kernel's coarse clock, which may still show the second before the crash; the
// precise clock is as safe to read inside a signal handler.
void dumpFileName(char *name) {
    timespec clock{};
    clock_gettime(CLOCK_REALTIME, &clock);
    const LocalTimeTable::Fields now = gLocalTime.localTime(clock.tv_sec);
    static const char kPrefix[] = "DumpDemo_v1.0-";
    std::memcpy(name, kPrefix, sizeof kPrefix - 1);
    char *out = name + sizeof kPrefix - 1;
    appendNumber(out, now.year, 4);
    appendNumber(out, now.month, 2);
    appendNumber(out, now.day, 2);
    *out++ = '-';
    appendNumber(out, now.hour, 2);
    appendNumber(out, now.minute, 2);
    appendNumber(out, now.second, 2);
    std::memcpy(out, ".dmp", 5);
}

// The helper: a copy of the crashed process made with a raw clone (fork would run the C library's
// fork handlers, which take locks), which stops and reads the crashed process's threads through
// ptrace. It waits until its parent has allowed it to trace.
[[noreturn]] void runHelper(int file, int go) {
    for (int signal : kCrashSignals) {
        restoreDefault(signal);
    }
    char byte;
    while (read(go, &byte, 1) < 0 && errno == EINTR) {
    }
    MinidumpWriter writer(file, gCrash, gMachine);
    const bool written = writer.write();
    syscall(SYS_exit_group, written ? 0 : 1);
    for (;;) {
    }
}

void writeDump(int file) {
    int pipeEnds[2];
    if (syscall(SYS_pipe2, pipeEnds, O_CLOEXEC) != 0) {
        return;
    }
    // A process that is not dumpable (a sandboxed sub-process may have made itself so) cannot be
    // traced, not even by its own helper.
    const int dumpable = prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
    prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
    const long helper = syscall(SYS_clone, CLONE_UNTRACED, nullptr, nullptr, nullptr, nullptr);
    if (helper == 0) {
        close(pipeEnds[1]);
        runHelper(file, pipeEnds[0]);
    }
    close(pipeEnds[0]);
    if (helper > 0) {
        // Where Yama restricts ptrace to descendants, the helper needs to be named.
        prctl(PR_SET_PTRACER, helper, 0, 0, 0);
        const char go = 1;
        while (::write(pipeEnds[1], &go, 1) < 0 && errno == EINTR) {
        }
        if (!linux_crash::waitUntil(static_cast<pid_t>(helper), gCrash.deadline)) {
            // Its tracees go free when it ends; the dump stays incomplete.
            kill(static_cast<pid_t>(helper), SIGKILL);
            int status;
            while (waitpid(static_cast<pid_t>(helper), &status, __WALL) < 0 && errno == EINTR) {
            }
        }
        prctl(PR_SET_PTRACER, 0, 0, 0, 0);
    }
    close(pipeEnds[1]);
    prctl(PR_SET_DUMPABLE, dumpable, 0, 0, 0);
}

// Under the sandbox's system-call filter a process may open no file and trace nothing, but it may
// send on a socket it holds: the browser process writes the dump and answers on the socket pair
// whose one end travels with the request. Waits for the answer until the crash's deadline.
void askForDump() {
    int reply[2];
    if (syscall(SYS_socketpair, AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, reply) != 0) {
        return;
    }
    static DumpRequest request;
    request.magic = kDumpRequestMagic;
    std::memcpy(&request.crash, &gCrash, sizeof request.crash);
    iovec body = {&request, sizeof request};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message = {};
    message.msg_iov = &body;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr *rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &reply[1], sizeof(int));
    long sent;
    do {
        sent = syscall(SYS_sendmsg, gDumpService, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    close(reply[1]);
    if (sent == static_cast<long>(sizeof request)) {
        for (;;) {
            const std::int64_t left = gCrash.deadline - linux_crash::monotonicNanoseconds();
            if (left <= 0) {
                break;
            }
            pollfd answer = {reply[0], POLLIN, 0};
            const int ready = poll(&answer, 1, static_cast<int>(left / 1000000) + 1);
            if (ready != 0 && !(ready < 0 && errno == EINTR)) {
                break;
            }
        }
    }
    close(reply[0]);
}

void handleCrash(int signal, siginfo_t *info, void *context) {
    // A fault raised by the kernel may be one that a handler installed by other code expects and
    // recovers from (V8's WebAssembly bounds checks): it goes there first. Such a handler that does
    // not recover hands the signal on by restoring the previous action, so ours writes the dump.
    struct sigaction chained;
    if (info && info->si_code > 0 && chainedHandlerFor(signal, chained)) {
        const bool oneShot = chained.sa_flags & SA_RESETHAND;
        if (oneShot) {
            // As the kernel would have done before running it: the next fault is a crash.
            gChained[signal] = {};
            gChained[signal].sa_handler = SIG_DFL;
        }
        if (chained.sa_flags & SA_SIGINFO) {
            chained.sa_sigaction(signal, info, context);
        } else {
            chained.sa_handler(signal);
        }
        struct sigaction after;
        if (oneShot ||
            (chainedHandlerFor(signal, after) && after.sa_sigaction == chained.sa_sigaction)) {
            return;
        }
    }
    const pid_t thread = currentThread();
    pid_t idle = 0;
    if (!gHandlingThread.compare_exchange_strong(idle, thread)) {
        if (idle == thread) {
            // The handler itself crashed: end without a dump.
            endBySignal(signal);
            return;
        }
        // Another thread is writing the dump; the process ends when it is done, or by this
        // thread's signal once the bound has passed.
        const std::int64_t ownDeadline =
            linux_crash::monotonicNanoseconds() + kCrashBoundNanoseconds;
        for (;;) {
            const std::int64_t deadline = gCrashDeadline.load();
            if (linux_crash::monotonicNanoseconds() >= (deadline ? deadline : ownDeadline)) {
                endBySignal(signal);
                return;
            }
            const struct timespec pause = {0, 10000000};
            nanosleep(&pause, nullptr);
        }
    }
    gCrash.deadline = linux_crash::monotonicNanoseconds() + kCrashBoundNanoseconds;
    gCrashDeadline = gCrash.deadline;
    // Under the sandbox the status file cannot be read; a debugger that passes the signal on
    // still gets a dump, without the threads it holds.
    if (gDumpService >= 0 || !traced()) {
        const auto *signalContext = static_cast<const ucontext_t *>(context);
        gCrash.pid = getpid();
        gCrash.tid = thread;
        std::memcpy(&gCrash.info, info, sizeof gCrash.info);
        std::memcpy(&gCrash.context, signalContext, sizeof gCrash.context);
        if (signalContext->uc_mcontext.fpregs) {
            std::memcpy(&gCrash.floatingPoint, signalContext->uc_mcontext.fpregs,
                        sizeof gCrash.floatingPoint);
        }
        // The thread's own control block starts with a pointer to itself, where fs points; the
        // sandbox's filter refuses arch_prctl, which would say the same.
        asm volatile("mov %%fs:0, %0" : "=r"(gCrash.fsBase));
        if (gDumpService >= 0) {
            askForDump();
        } else {
            char name[64];
            dumpFileName(name);
            const int file = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (file >= 0) {
                writeDump(file);
                close(file);
            }
        }
    }
    endBySignal(signal);
}

struct sigaction crashAction() {
    struct sigaction action = {};
    action.sa_sigaction = handleCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    return action;
}

bool chainedHandlerFor(int signal, struct sigaction &chained) {
    chained = gChained[signal];
    return (chained.sa_flags & SA_SIGINFO)
               ? chained.sa_sigaction != handleCrash
               : chained.sa_handler != SIG_DFL && chained.sa_handler != SIG_IGN;
}

void gatherMachineFacts() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __get_cpuid(0, &eax, &ebx, &ecx, &edx);
    gMachine.vendor[0] = ebx;
    gMachine.vendor[1] = edx;
    gMachine.vendor[2] = ecx;
    __get_cpuid(1, &eax, &ebx, &ecx, &edx);
    gMachine.versionInformation = eax;
    gMachine.featureInformation = edx;
    gMachine.processorLevel = static_cast<std::uint16_t>((eax >> 8) & 0xf);
    gMachine.processorRevision =
        static_cast<std::uint16_t>((((eax >> 4) & 0xf) << 8) | (eax & 0xf));
    if (__get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx)) {
        gMachine.amdExtendedFeatures = ecx;
    }
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    gMachine.processorCount = static_cast<std::uint8_t>(processors > 255 ? 255 : processors);
}

// A stack overflow can only be reported on a stack of its own. This gives one to the thread that
// installs the handler; threads that the engine creates without an alternate stack may be unable
// to report a stack overflow (the kernel then ends the process without a dump).
void giveAlternateStack() {
    void *memory = mmap(nullptr, kAlternateStackSize, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (memory == MAP_FAILED) {
        return;
    }
    stack_t stack = {};
    stack.ss_sp = memory;
    stack.ss_size = kAlternateStackSize;
    sigaltstack(&stack, nullptr);
}

}  // namespace

void installCrashHandler() {
    gLocalTime.build(time(nullptr));
    gatherMachineFacts();
    giveAlternateStack();
    const struct sigaction action = crashAction();
    for (int signal : kCrashSignals) {
        gChained[signal] = action;
        __sigaction(signal, &action, nullptr);
    }
    gInstalled = true;
}

namespace {

// The process id that the kernel reported for the sender of a request, in this process's pid
// namespace; 0 when it sent none.
pid_t senderOf(msghdr &message, int &replyFile) {
    pid_t sender = 0;
    for (cmsghdr *entry = CMSG_FIRSTHDR(&message); entry; entry = CMSG_NXTHDR(&message, entry)) {
        if (entry->cmsg_level != SOL_SOCKET) {
            continue;
        }
        if (entry->cmsg_type == SCM_CREDENTIALS) {
            ucred credentials;
            std::memcpy(&credentials, CMSG_DATA(entry), sizeof credentials);
            sender = credentials.pid;
        } else if (entry->cmsg_type == SCM_RIGHTS) {
            const std::size_t count = (entry->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int file;
                std::memcpy(&file, CMSG_DATA(entry) + i * sizeof(int), sizeof file);
                if (replyFile < 0) {
                    replyFile = file;
                } else {
                    close(file);
                }
            }
        }
    }
    return sender;
}

// The thread of process pid whose id in its own, innermost pid namespace is innerTid, by the
// last "NSpid:" field of each thread's status; 0 when there is none.
pid_t threadInThisNamespace(pid_t pid, pid_t innerTid) {
    const std::string folder = "/proc/" + std::to_string(pid) + "/task";
    DIR *tasks = opendir(folder.c_str());
    if (!tasks) {
        return 0;
    }
    pid_t found = 0;
    while (dirent *entry = readdir(tasks)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') {
            continue;
        }
        const int file =
            open((folder + "/" + entry->d_name + "/status").c_str(), O_RDONLY | O_CLOEXEC);
        if (file < 0) {
            continue;
        }
        char status[4096];
        const ssize_t length = read(file, status, sizeof status - 1);
        close(file);
        if (length <= 0) {
            continue;
        }
        status[length] = '\0';
        const char *field = strstr(status, "\nNSpid:");
        if (!field) {
            continue;
        }
        const char *lineEnd = strchr(field + 1, '\n');
        const char *last = lineEnd ? lineEnd : field + std::strlen(field);
        while (last > field && (last[-1] < '0' || last[-1] > '9')) {
            --last;
        }
        const char *first = last;
        while (first > field && first[-1] >= '0' && first[-1] <= '9') {
            --first;
        }
        if (std::atol(first) == innerTid) {
            found = static_cast<pid_t>(std::atol(entry->d_name));
            break;
        }
    }
    closedir(tasks);
    return found;
}

// Writes the dump a crashed sub-process asked for, with the name and in the folder the crash
// handler would have used, then answers so that the sub-process ends.
void writeRequestedDump(pid_t sender, const DumpRequest &request, int replyFile) {
    static CrashContext crash;
    crash = request.crash;
    crash.pid = sender;
    crash.tid = threadInThisNamespace(sender, request.crash.tid);
    // The clock of this process, not the sender's word, bounds the work.
    crash.deadline = linux_crash::monotonicNanoseconds() + kCrashBoundNanoseconds;
    if (crash.tid > 0) {
        char name[64];
        dumpFileName(name);
        const int file = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (file >= 0) {
            MinidumpWriter(file, crash, gMachine).write();
            close(file);
        }
    }
    const char done = 1;
    send(replyFile, &done, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

// The service's thread: the listening socket, and one connection per sub-process that joined.
// Only this user's processes are served: the socket's folder keeps others out, and the peer's
// credentials are checked all the same.
[[noreturn]] void serveDumps(int listener) {
    std::vector<pollfd> watched = {{listener, POLLIN, 0}};
    // A process crashes once: a compromised renderer that keeps asking gets one dump, not a full
    // disk. The last few processes served are enough to tell.
    pid_t served[64] = {};
    std::size_t nextServed = 0;
    for (;;) {
        if (poll(watched.data(), watched.size(), -1) < 0) {
            continue;
        }
        for (std::size_t i = watched.size(); i-- > 1;) {
            if (!watched[i].revents) {
                continue;
            }
            static DumpRequest request;
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred)) + CMSG_SPACE(4 * sizeof(int))];
            iovec body = {&request, sizeof request};
            msghdr message = {};
            message.msg_iov = &body;
            message.msg_iovlen = 1;
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            const ssize_t got = recvmsg(watched[i].fd, &message, MSG_CMSG_CLOEXEC);
            if (got <= 0 && !(got < 0 && errno == EINTR)) {
                close(watched[i].fd);
                watched.erase(watched.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            int replyFile = -1;
            const pid_t sender = senderOf(message, replyFile);
            if (got == static_cast<ssize_t>(sizeof request) && request.magic == kDumpRequestMagic &&
                sender > 0 && replyFile >= 0) {
                if (std::find(std::begin(served), std::end(served), sender) == std::end(served)) {
                    served[nextServed++ % std::size(served)] = sender;
                    writeRequestedDump(sender, request, replyFile);
                } else {
                    const char done = 1;
                    send(replyFile, &done, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
                }
            }
            if (replyFile >= 0) {
                close(replyFile);
            }
        }
        if (watched[0].revents & POLLIN) {
            const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            ucred peer = {};
            socklen_t size = sizeof peer;
            const int on = 1;
            if (connection >= 0 &&
                getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
                peer.uid == geteuid() &&
                setsockopt(connection, SOL_SOCKET, SO_PASSCRED, &on, sizeof on) == 0) {
                watched.push_back({connection, POLLIN, 0});
            } else if (connection >= 0) {
                close(connection);
            }
        }
    }
}

}  // namespace

bool serveSandboxedCrashDumps() {
    // A service of another client (this one started from its page, say) is not this one's.
    if (gDumpService >= 0) {
        close(gDumpService);
        gDumpService = -1;
    }
    unsetenv(kDumpServiceVariable);
    const std::string path = privateServerName("crash-dumps-" + std::to_string(getpid()));
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int listener = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        return false;
    }
    unlink(path.c_str());
    if (bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0) {
        close(listener);
        return false;
    }
    // Sub-processes join whenever the engine starts one, so the name stays for the whole run.
    static std::string servicePath;
    servicePath = path;
    std::atexit([] { unlink(servicePath.c_str()); });
    setenv(kDumpServiceVariable, path.c_str(), 1);
    std::thread(serveDumps, listener).detach();
    return true;
}

void joinSandboxedCrashDumps() {
    const char *path = std::getenv(kDumpServiceVariable);
    if (gDumpService >= 0 || !path || std::strlen(path) >= sizeof(sockaddr_un::sun_path)) {
        return;
    }
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path, std::strlen(path) + 1);
    const int connection = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (connection < 0) {
        return;
    }
    if (connect(connection, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        close(connection);
        return;
    }
    gDumpService = connection;
}

}  // namespace platform

// Replace the C library's entries for the whole program (the engine's libraries call them too):
// for a crash signal, once the handler is installed, the kernel's action stays the crash handler,
// and the action set here is kept and reported back as if it were in force.
extern "C" int sigaction(int signal, const struct sigaction *action,
                         struct sigaction *previous) noexcept {
    if (!platform::gInstalled || !platform::isCrashSignal(signal)) {
        // The next definition may be a sanitizer's, which must see the program's handlers.
        static const auto next =
            reinterpret_cast<int (*)(int, const struct sigaction *, struct sigaction *)>(
                dlsym(RTLD_NEXT, "sigaction"));
        return (next ? next : platform::__sigaction)(signal, action, previous);
    }
    if (previous) {
        *previous = platform::gChained[signal];
    }
    if (action) {
        platform::gChained[signal] = *action;
    }
    return 0;
}

extern "C" sighandler_t signal(int signal, sighandler_t handler) noexcept {
    struct sigaction action = {};
    action.sa_handler = handler;
    // As the C library's signal sets it up: restarting calls, the signal blocked in its handler.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, signal);
    struct sigaction previous;
    if (sigaction(signal, &action, &previous) != 0) {
        return SIG_ERR;
    }
    // sa_handler and sa_sigaction share their storage.
    return previous.sa_handler;
}
