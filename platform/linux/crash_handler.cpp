#include <cpuid.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

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
void endBySignal(int signal) {
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
    if (!traced()) {
        char name[64];
        dumpFileName(name);
        const int file = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (file >= 0) {
            const auto *signalContext = static_cast<const ucontext_t *>(context);
            gCrash.pid = getpid();
            gCrash.tid = thread;
            std::memcpy(&gCrash.info, info, sizeof gCrash.info);
            std::memcpy(&gCrash.context, signalContext, sizeof gCrash.context);
            if (signalContext->uc_mcontext.fpregs) {
                std::memcpy(&gCrash.floatingPoint, signalContext->uc_mcontext.fpregs,
                            sizeof gCrash.floatingPoint);
            }
            gCrash.fsBase = 0;
            syscall(SYS_arch_prctl, 0x1003 /* ARCH_GET_FS */, &gCrash.fsBase);
            writeDump(file);
            close(file);
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
