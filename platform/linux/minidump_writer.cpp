#include "platform/linux/minidump_writer.h"

#include <dirent.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/user.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <initializer_list>

namespace platform {
namespace linux_crash {

namespace {

constexpr std::int64_t kWritingReserveNanoseconds = 2LL * 1000 * 1000 * 1000;

// Stream types and constants of the minidump format.
constexpr std::uint32_t kSignature = 0x504d444d;  // "MDMP"
constexpr std::uint32_t kVersion = 0xa793;
constexpr std::uint32_t kThreadListStream = 3;
constexpr std::uint32_t kModuleListStream = 4;
constexpr std::uint32_t kMemoryListStream = 5;
constexpr std::uint32_t kExceptionStream = 6;
constexpr std::uint32_t kSystemInfoStream = 7;
constexpr std::uint32_t kMiscInfoStream = 15;
constexpr std::uint32_t kLinuxProcStatusStream = 0x47670004;
constexpr std::uint32_t kLinuxCmdLineStream = 0x47670006;
constexpr std::uint32_t kLinuxMapsStream = 0x47670009;
constexpr int kStreamCount = 9;
constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDirectoryEntrySize = 12;
constexpr std::size_t kThreadSize = 48;
constexpr std::size_t kModuleSize = 108;
constexpr std::size_t kMemoryDescriptorSize = 16;
constexpr std::size_t kContextSize = 1232;
constexpr std::uint32_t kContextFlags = 0x0010000f;  // AMD64: control, integer, segments, FP
constexpr std::uint16_t kArchitectureAmd64 = 9;
constexpr std::uint32_t kPlatformLinux = 0x8201;
constexpr std::uint32_t kElfBuildIdSignature = 0x4270454c;  // "LEpB"
constexpr std::uint32_t kMiscProcessId = 1;

// Stack kept per thread, from just below its stack pointer upwards: enough for the frames a
// backtrace shows without copying the whole (possibly deep) stack.
constexpr std::uint64_t kStackBytes = 128 * 1024;
constexpr std::uint64_t kRedZone = 128;
// Data segments are copied in full, as their Windows counterpart does, up to a sane total.
constexpr std::uint64_t kDataSegmentBytes = 64 * 1024 * 1024;

constexpr int kMaxThreads = 2048;
constexpr int kMaxMappings = 16384;
constexpr int kMaxModules = 1024;
constexpr int kMaxMemoryRanges = kMaxThreads + 4096;
constexpr std::size_t kMapsCapacity = 2 * 1024 * 1024;
constexpr std::size_t kTextCapacity = 64 * 1024;
constexpr std::size_t kCopyChunk = 64 * 1024;

}  // namespace

struct MinidumpWriter::Mapping {
    std::uint64_t start;
    std::uint64_t end;
    std::uint64_t offset;
    bool readable;
    bool writable;
    std::uint32_t nameOffset;  // into the maps text
    std::uint32_t nameLength;
};

namespace {

struct ThreadRecord {
    pid_t tid;
    bool attached;
    user_regs_struct regs;
    user_fpregs_struct fpregs;
};

struct MemoryRange {
    std::uint64_t address;
    std::uint32_t size;
    std::uint32_t rva;
};

// The helper's scratch memory, mapped in the helper's own address space so that it neither
// touches the crashed process nor shows up among the data segments it dumps.
struct Workspace {
    char maps[kMapsCapacity];
    char text[kTextCapacity];
    unsigned char copy[kCopyChunk];
    char16_t wide[4096];
    ThreadRecord threads[kMaxThreads];
    MemoryRange ranges[kMaxMemoryRanges];
    MinidumpWriter::Mapping mappings[kMaxMappings];
    int moduleStarts[kMaxModules];
};

Workspace *gWork = nullptr;
int gThreadCount = 0;
int gRangeCount = 0;
int gMappingCount = 0;
// Data segments copied so far into this dump.
std::uint64_t gDataCopied = 0;

void set16(unsigned char *at, std::uint16_t value) {
    std::memcpy(at, &value, sizeof value);
}
void set32(unsigned char *at, std::uint32_t value) {
    std::memcpy(at, &value, sizeof value);
}
void set64(unsigned char *at, std::uint64_t value) {
    std::memcpy(at, &value, sizeof value);
}

std::size_t textLength(const char *text) {
    std::size_t length = 0;
    while (text[length]) {
        ++length;
    }
    return length;
}

// Decimal text of value into buffer (at least 21 bytes), terminated.
void decimal(std::uint64_t value, char *buffer) {
    char digits[21];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    for (int i = 0; i < count; ++i) {
        buffer[i] = digits[count - 1 - i];
    }
    buffer[count] = '\0';
}

// "/proc/<pid>/<leaf>" into buffer (at least 64 bytes).
void procPath(pid_t pid, const char *leaf, char *buffer) {
    std::memcpy(buffer, "/proc/", 6);
    decimal(static_cast<std::uint64_t>(pid), buffer + 6);
    std::size_t length = textLength(buffer);
    buffer[length++] = '/';
    std::memcpy(buffer + length, leaf, textLength(leaf) + 1);
}

std::uint64_t hexValue(const char *&cursor, const char *end) {
    std::uint64_t value = 0;
    while (cursor < end) {
        const char c = *cursor;
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            break;
        }
        value = value * 16 + static_cast<std::uint64_t>(digit);
        ++cursor;
    }
    return value;
}

void skipField(const char *&cursor, const char *end) {
    while (cursor < end && *cursor != ' ') {
        ++cursor;
    }
    while (cursor < end && *cursor == ' ') {
        ++cursor;
    }
}

// The AMD64 CONTEXT record: registers in the order and at the offsets the Windows layout has.
struct RegisterSet {
    std::uint64_t rax, rcx, rdx, rbx, rsp, rbp, rsi, rdi, r8, r9, r10, r11, r12, r13, r14, r15;
    std::uint64_t rip, eflags;
    std::uint16_t cs, ds, es, fs, gs, ss;
    const void *fxsave;  // 512 bytes in FXSAVE layout, or null
};

void buildContext(const RegisterSet &set, unsigned char *out) {
    std::memset(out, 0, kContextSize);
    set32(out + 0x30, kContextFlags);
    if (set.fxsave) {
        std::uint32_t mxcsr;
        std::memcpy(&mxcsr, static_cast<const unsigned char *>(set.fxsave) + 24, sizeof mxcsr);
        set32(out + 0x34, mxcsr);
        std::memcpy(out + 0x100, set.fxsave, 512);
    }
    set16(out + 0x38, set.cs);
    set16(out + 0x3a, set.ds);
    set16(out + 0x3c, set.es);
    set16(out + 0x3e, set.fs);
    set16(out + 0x40, set.gs);
    set16(out + 0x42, set.ss);
    set32(out + 0x44, static_cast<std::uint32_t>(set.eflags));
    const std::uint64_t general[] = {set.rax, set.rcx, set.rdx, set.rbx, set.rsp, set.rbp,
                                     set.rsi, set.rdi, set.r8,  set.r9,  set.r10, set.r11,
                                     set.r12, set.r13, set.r14, set.r15, set.rip};
    for (std::size_t i = 0; i < sizeof general / sizeof general[0]; ++i) {
        set64(out + 0x78 + 8 * i, general[i]);
    }
}

RegisterSet fromSignalContext(const CrashContext &crash) {
    const greg_t *g = crash.context.uc_mcontext.gregs;
    RegisterSet set = {};
    set.rax = static_cast<std::uint64_t>(g[REG_RAX]);
    set.rcx = static_cast<std::uint64_t>(g[REG_RCX]);
    set.rdx = static_cast<std::uint64_t>(g[REG_RDX]);
    set.rbx = static_cast<std::uint64_t>(g[REG_RBX]);
    set.rsp = static_cast<std::uint64_t>(g[REG_RSP]);
    set.rbp = static_cast<std::uint64_t>(g[REG_RBP]);
    set.rsi = static_cast<std::uint64_t>(g[REG_RSI]);
    set.rdi = static_cast<std::uint64_t>(g[REG_RDI]);
    set.r8 = static_cast<std::uint64_t>(g[REG_R8]);
    set.r9 = static_cast<std::uint64_t>(g[REG_R9]);
    set.r10 = static_cast<std::uint64_t>(g[REG_R10]);
    set.r11 = static_cast<std::uint64_t>(g[REG_R11]);
    set.r12 = static_cast<std::uint64_t>(g[REG_R12]);
    set.r13 = static_cast<std::uint64_t>(g[REG_R13]);
    set.r14 = static_cast<std::uint64_t>(g[REG_R14]);
    set.r15 = static_cast<std::uint64_t>(g[REG_R15]);
    set.rip = static_cast<std::uint64_t>(g[REG_RIP]);
    set.eflags = static_cast<std::uint64_t>(g[REG_EFL]);
    // Linux packs cs, gs and fs (and on newer kernels ss) into one word.
    const std::uint64_t segments = static_cast<std::uint64_t>(g[REG_CSGSFS]);
    set.cs = static_cast<std::uint16_t>(segments);
    set.gs = static_cast<std::uint16_t>(segments >> 16);
    set.fs = static_cast<std::uint16_t>(segments >> 32);
    set.ss = static_cast<std::uint16_t>(segments >> 48);
    set.fxsave = crash.context.uc_mcontext.fpregs ? &crash.floatingPoint : nullptr;
    return set;
}

RegisterSet fromTrace(const ThreadRecord &thread) {
    const user_regs_struct &r = thread.regs;
    RegisterSet set = {};
    set.rax = r.rax;
    set.rcx = r.rcx;
    set.rdx = r.rdx;
    set.rbx = r.rbx;
    set.rsp = r.rsp;
    set.rbp = r.rbp;
    set.rsi = r.rsi;
    set.rdi = r.rdi;
    set.r8 = r.r8;
    set.r9 = r.r9;
    set.r10 = r.r10;
    set.r11 = r.r11;
    set.r12 = r.r12;
    set.r13 = r.r13;
    set.r14 = r.r14;
    set.r15 = r.r15;
    set.rip = r.rip;
    set.eflags = r.eflags;
    set.cs = static_cast<std::uint16_t>(r.cs);
    set.ds = static_cast<std::uint16_t>(r.ds);
    set.es = static_cast<std::uint16_t>(r.es);
    set.fs = static_cast<std::uint16_t>(r.fs);
    set.gs = static_cast<std::uint16_t>(r.gs);
    set.ss = static_cast<std::uint16_t>(r.ss);
    set.fxsave = &thread.fpregs;
    return set;
}

void attachThreads(pid_t pid, pid_t crashingTid, std::int64_t deadline) {
    char path[64];
    procPath(pid, "task", path);
    const int directory = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) {
        return;
    }
    alignas(8) char entries[4096];
    for (;;) {
        const long read =
            syscall(SYS_getdents64, directory, entries, static_cast<unsigned>(sizeof entries));
        if (read <= 0) {
            break;
        }
        for (long at = 0; at < read;) {
            const auto *entry = reinterpret_cast<const struct dirent64 *>(entries + at);
            at += entry->d_reclen;
            pid_t tid = 0;
            for (const char *c = entry->d_name; *c >= '0' && *c <= '9'; ++c) {
                tid = tid * 10 + (*c - '0');
            }
            if (tid <= 0 || gThreadCount >= kMaxThreads) {
                continue;
            }
            ThreadRecord &thread = gWork->threads[gThreadCount];
            thread.tid = tid;
            thread.attached = false;
            if (tid == crashingTid) {
                // Its registers come from the signal frame; it waits for this helper anyway.
                ++gThreadCount;
                continue;
            }
            // Seized and interrupted rather than attached: a thread that cannot stop in time (one
            // waiting for a vfork child, say) is left without a stop signal pending for later.
            if (ptrace(PTRACE_SEIZE, tid, nullptr, nullptr) != 0) {
                continue;
            }
            if (ptrace(PTRACE_INTERRUPT, tid, nullptr, nullptr) != 0 || !waitUntil(tid, deadline)) {
                continue;
            }
            thread.attached = true;
            if (ptrace(PTRACE_GETREGS, tid, nullptr, &thread.regs) != 0 ||
                ptrace(PTRACE_GETFPREGS, tid, nullptr, &thread.fpregs) != 0) {
                ptrace(PTRACE_DETACH, tid, nullptr, nullptr);
                continue;
            }
            ++gThreadCount;
        }
    }
    close(directory);
}

void detachThreads() {
    for (int i = 0; i < gThreadCount; ++i) {
        if (gWork->threads[i].attached) {
            ptrace(PTRACE_DETACH, gWork->threads[i].tid, nullptr, nullptr);
        }
    }
}

}  // namespace

MinidumpWriter::MinidumpWriter(int file, const CrashContext &crash, const MachineFacts &machine)
    : file_(file), crash_(crash), machine_(machine) {}

bool MinidumpWriter::put(std::uint32_t rva, const void *data, std::size_t size) {
    const auto *bytes = static_cast<const unsigned char *>(data);
    while (size > 0) {
        const ssize_t written = pwrite(file_, bytes, size, rva);
        if (written <= 0) {
            failed_ = true;
            return false;
        }
        bytes += written;
        rva += static_cast<std::uint32_t>(written);
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::uint32_t MinidumpWriter::reserve(std::size_t size) {
    end_ = (end_ + 7) & ~std::uint64_t(7);
    const auto rva = static_cast<std::uint32_t>(end_);
    end_ += size;
    if (end_ > 0xffffffffu) {
        failed_ = true;
    }
    return rva;
}

std::uint32_t MinidumpWriter::append(const void *data, std::size_t size) {
    const std::uint32_t rva = reserve(size);
    put(rva, data, size);
    return rva;
}

bool MinidumpWriter::readRemote(std::uint64_t address, void *into, std::size_t size) const {
    iovec local = {into, size};
    iovec remote = {reinterpret_cast<void *>(address), size};
    return syscall(SYS_process_vm_readv, crash_.pid, &local, 1UL, &remote, 1UL, 0UL) ==
           static_cast<long>(size);
}

MinidumpWriter::Location MinidumpWriter::appendRemoteMemory(std::uint64_t address,
                                                            std::size_t size) {
    const std::uint32_t rva = reserve(size);
    for (std::size_t done = 0; done < size;) {
        const std::size_t chunk = size - done < kCopyChunk ? size - done : kCopyChunk;
        // A page that cannot be read (a guard page, a mapping gone meanwhile) stays zero.
        if (readRemote(address + done, gWork->copy, chunk)) {
            put(static_cast<std::uint32_t>(rva + done), gWork->copy, chunk);
        }
        done += chunk;
    }
    return {static_cast<std::uint32_t>(size), rva};
}

void MinidumpWriter::addMemory(std::uint64_t address, Location where) {
    if (gRangeCount < kMaxMemoryRanges) {
        gWork->ranges[gRangeCount++] = {address, where.size, where.rva};
    }
}

MinidumpWriter::Location MinidumpWriter::appendFile(const char *path, char *buffer,
                                                    std::size_t capacity, std::size_t *length) {
    std::size_t filled = 0;
    const int source = open(path, O_RDONLY | O_CLOEXEC);
    if (source >= 0) {
        while (filled < capacity) {
            const ssize_t got = read(source, buffer + filled, capacity - filled);
            if (got <= 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        close(source);
    }
    if (length) {
        *length = filled;
    }
    return {static_cast<std::uint32_t>(filled), append(buffer, filled)};
}

MinidumpWriter::Location MinidumpWriter::appendString(const char *utf8, std::size_t length) {
    // MINIDUMP_STRING: byte length, then UTF-16 text and a terminator.
    std::size_t count = 0;
    const std::size_t capacity = sizeof gWork->wide / sizeof gWork->wide[0] - 3;
    for (std::size_t i = 0; i < length && count < capacity;) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        std::uint32_t code = lead;
        std::size_t extra = lead >= 0xf0 ? 3 : lead >= 0xe0 ? 2 : lead >= 0xc0 ? 1 : 0;
        if (extra) {
            code = lead & (0x3f >> extra);
        }
        ++i;
        for (; extra && i < length; --extra, ++i) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3f);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            gWork->wide[count++] = static_cast<char16_t>(0xd800 + (code >> 10));
            gWork->wide[count++] = static_cast<char16_t>(0xdc00 + (code & 0x3ff));
        } else {
            gWork->wide[count++] = static_cast<char16_t>(code);
        }
    }
    gWork->wide[count] = 0;
    const std::uint32_t bytes = static_cast<std::uint32_t>(count * 2);
    const std::uint32_t rva = reserve(4 + bytes + 2);
    put(rva, &bytes, 4);
    put(rva + 4, gWork->wide, bytes + 2);
    return {4 + bytes + 2, rva};
}

void MinidumpWriter::parseMaps(std::size_t length) {
    const char *cursor = gWork->maps;
    const char *const end = gWork->maps + length;
    gMappingCount = 0;
    while (cursor < end && gMappingCount < kMaxMappings) {
        const char *lineEnd = cursor;
        while (lineEnd < end && *lineEnd != '\n') {
            ++lineEnd;
        }
        Mapping &m = gWork->mappings[gMappingCount];
        m.start = hexValue(cursor, lineEnd);
        ++cursor;  // '-'
        m.end = hexValue(cursor, lineEnd);
        ++cursor;  // ' '
        m.readable = cursor < lineEnd && *cursor == 'r';
        m.writable = cursor + 1 < lineEnd && cursor[1] == 'w';
        skipField(cursor, lineEnd);
        m.offset = hexValue(cursor, lineEnd);
        skipField(cursor, lineEnd);  // offset
        skipField(cursor, lineEnd);  // device
        skipField(cursor, lineEnd);  // inode
        m.nameOffset = static_cast<std::uint32_t>(cursor - gWork->maps);
        m.nameLength = static_cast<std::uint32_t>(lineEnd - cursor);
        ++gMappingCount;
        cursor = lineEnd + 1;
    }
}

void MinidumpWriter::stackRange(std::uint64_t sp, std::uint64_t &start, std::uint64_t &end) const {
    start = end = 0;
    // After a stack overflow the pointer lies in the guard page or the gap below the stack: the
    // frames then begin in the readable mapping just above it.
    for (int i = 0; i < gMappingCount; ++i) {
        const Mapping &m = gWork->mappings[i];
        if (m.readable && m.end > sp - kRedZone && m.start <= sp + 64 * 1024) {
            start = sp - kRedZone > m.start ? sp - kRedZone : m.start;
            end = m.end - start > kStackBytes ? start + kStackBytes : m.end;
            return;
        }
    }
}

MinidumpWriter::Location MinidumpWriter::writeSystemInfo() {
    struct utsname names;
    std::uint32_t versions[3] = {};
    char csd[3 * 65 + 8] = "Linux";
    if (uname(&names) == 0) {
        const char *cursor = names.release;
        for (int i = 0; i < 3; ++i) {
            while (*cursor >= '0' && *cursor <= '9') {
                versions[i] = versions[i] * 10 + static_cast<std::uint32_t>(*cursor++ - '0');
            }
            if (*cursor == '.') {
                ++cursor;
            }
        }
        std::size_t length = 5;
        for (const char *part : {names.release, names.version, names.machine}) {
            csd[length++] = ' ';
            const std::size_t partLength = textLength(part);
            std::memcpy(csd + length, part, partLength);
            length += partLength;
        }
        csd[length] = '\0';
    }
    const Location csdString = appendString(csd, textLength(csd));

    unsigned char info[56] = {};
    set16(info + 0, kArchitectureAmd64);
    set16(info + 2, machine_.processorLevel);
    set16(info + 4, machine_.processorRevision);
    info[6] = machine_.processorCount;
    set32(info + 8, versions[0]);
    set32(info + 12, versions[1]);
    set32(info + 16, versions[2]);
    set32(info + 20, kPlatformLinux);
    set32(info + 24, csdString.rva);
    for (int i = 0; i < 3; ++i) {
        set32(info + 32 + 4 * i, machine_.vendor[i]);
    }
    set32(info + 44, machine_.versionInformation);
    set32(info + 48, machine_.featureInformation);
    set32(info + 52, machine_.amdExtendedFeatures);
    return {sizeof info, append(info, sizeof info)};
}

MinidumpWriter::Location MinidumpWriter::writeThreadList(Location &crashingContext) {
    const std::size_t listSize = 4 + kThreadSize * static_cast<std::size_t>(gThreadCount);
    const std::uint32_t listRva = reserve(listSize);
    const auto count = static_cast<std::uint32_t>(gThreadCount);
    put(listRva, &count, 4);
    for (int i = 0; i < gThreadCount; ++i) {
        const ThreadRecord &thread = gWork->threads[i];
        const bool crashing = thread.tid == crash_.tid;
        const RegisterSet set = crashing ? fromSignalContext(crash_) : fromTrace(thread);
        unsigned char context[kContextSize];
        buildContext(set, context);
        const Location contextAt = {kContextSize, append(context, kContextSize)};
        if (crashing) {
            crashingContext = contextAt;
        }
        std::uint64_t stackStart, stackEnd;
        stackRange(set.rsp, stackStart, stackEnd);
        Location stack = {0, 0};
        if (stackEnd > stackStart) {
            stack = appendRemoteMemory(stackStart, static_cast<std::size_t>(stackEnd - stackStart));
            addMemory(stackStart, stack);
        }
        unsigned char entry[kThreadSize] = {};
        set32(entry + 0, static_cast<std::uint32_t>(thread.tid));
        set64(entry + 16, crashing ? crash_.fsBase : thread.regs.fs_base);
        set64(entry + 24, stackStart);
        set32(entry + 32, stack.size);
        set32(entry + 36, stack.rva);
        set32(entry + 40, contextAt.size);
        set32(entry + 44, contextAt.rva);
        put(static_cast<std::uint32_t>(listRva + 4 + kThreadSize * static_cast<std::size_t>(i)),
            entry, kThreadSize);
    }
    return {static_cast<std::uint32_t>(listSize), listRva};
}

MinidumpWriter::Location MinidumpWriter::writeException(Location crashingContext) {
    unsigned char stream[168] = {};
    const int signal = crash_.info.si_signo;
    set32(stream + 0, static_cast<std::uint32_t>(crash_.tid));
    set32(stream + 8, static_cast<std::uint32_t>(signal));
    set32(stream + 12, static_cast<std::uint32_t>(crash_.info.si_code));
    const bool fault = signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE ||
                       signal == SIGILL || signal == SIGTRAP;
    const std::uint64_t address =
        fault ? reinterpret_cast<std::uint64_t>(crash_.info.si_addr)
              : static_cast<std::uint64_t>(crash_.context.uc_mcontext.gregs[REG_RIP]);
    set64(stream + 24, address);
    set32(stream + 160, crashingContext.size);
    set32(stream + 164, crashingContext.rva);
    return {sizeof stream, append(stream, sizeof stream)};
}

MinidumpWriter::Location MinidumpWriter::appendBuildId(std::uint64_t base) {
    Elf64_Ehdr header;
    if (!readRemote(base, &header, sizeof header) || header.e_phentsize != sizeof(Elf64_Phdr) ||
        header.e_phnum == 0 || header.e_phnum > 128) {
        return {0, 0};
    }
    Elf64_Phdr headers[128];
    if (!readRemote(base + header.e_phoff, headers, header.e_phnum * sizeof(Elf64_Phdr))) {
        return {0, 0};
    }
    // The module's load bias: where its first loadable segment (at file offset 0) landed.
    std::uint64_t bias = base;
    for (int i = 0; i < header.e_phnum; ++i) {
        if (headers[i].p_type == PT_LOAD && headers[i].p_offset == 0) {
            bias = base - (headers[i].p_vaddr & ~std::uint64_t(0xfff));
            break;
        }
    }
    for (int i = 0; i < header.e_phnum; ++i) {
        if (headers[i].p_type != PT_NOTE || headers[i].p_filesz > sizeof gWork->copy) {
            continue;
        }
        const std::size_t size = static_cast<std::size_t>(headers[i].p_filesz);
        if (!readRemote(bias + headers[i].p_vaddr, gWork->copy, size)) {
            continue;
        }
        for (std::size_t at = 0; at + sizeof(Elf64_Nhdr) <= size;) {
            Elf64_Nhdr note;
            std::memcpy(&note, gWork->copy + at, sizeof note);
            const std::size_t nameAt = at + sizeof note;
            const std::size_t descAt = nameAt + ((note.n_namesz + 3) & ~3u);
            const std::size_t next = descAt + ((note.n_descsz + 3) & ~3u);
            if (next > size) {
                break;
            }
            if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
                std::memcmp(gWork->copy + nameAt, "GNU", 4) == 0 && note.n_descsz <= 64) {
                unsigned char record[4 + 64];
                set32(record, kElfBuildIdSignature);
                std::memcpy(record + 4, gWork->copy + descAt, note.n_descsz);
                const std::size_t recordSize = 4 + note.n_descsz;
                return {static_cast<std::uint32_t>(recordSize), append(record, recordSize)};
            }
            at = next;
        }
    }
    return {0, 0};
}

void MinidumpWriter::appendDataSegments(std::size_t firstMapping) {
    const Mapping &first = gWork->mappings[firstMapping];
    for (int i = static_cast<int>(firstMapping); i < gMappingCount; ++i) {
        const Mapping &m = gWork->mappings[i];
        const bool sameFile = m.nameLength == first.nameLength &&
                              std::memcmp(gWork->maps + m.nameOffset,
                                          gWork->maps + first.nameOffset, first.nameLength) == 0;
        // A module's zero-initialised data follows its file-backed data as an anonymous mapping.
        const bool bss = !sameFile && m.nameLength == 0 && i > 0 &&
                         gWork->mappings[i - 1].end == m.start && gWork->mappings[i - 1].writable;
        if (!sameFile && !bss) {
            break;
        }
        if (m.readable && m.writable && gDataCopied + (m.end - m.start) <= kDataSegmentBytes) {
            gDataCopied += m.end - m.start;
            addMemory(m.start,
                      appendRemoteMemory(m.start, static_cast<std::size_t>(m.end - m.start)));
        }
        if (bss) {
            break;
        }
    }
}

MinidumpWriter::Location MinidumpWriter::writeModuleList() {
    // Modules are ELF files mapped from offset 0; each spans its file's following mappings.
    int *const moduleStarts = gWork->moduleStarts;
    int moduleCount = 0;
    for (int i = 0; i < gMappingCount && moduleCount < kMaxModules; ++i) {
        const Mapping &m = gWork->mappings[i];
        char magic[4];
        if (m.offset == 0 && m.readable && m.nameLength > 0 && gWork->maps[m.nameOffset] == '/' &&
            readRemote(m.start, magic, 4) && std::memcmp(magic, ELFMAG, SELFMAG) == 0) {
            moduleStarts[moduleCount++] = i;
        }
    }
    const std::size_t listSize = 4 + kModuleSize * static_cast<std::size_t>(moduleCount);
    const std::uint32_t listRva = reserve(listSize);
    const auto count = static_cast<std::uint32_t>(moduleCount);
    put(listRva, &count, 4);
    for (int k = 0; k < moduleCount; ++k) {
        const Mapping &first = gWork->mappings[moduleStarts[k]];
        std::uint64_t end = first.end;
        for (int i = moduleStarts[k] + 1; i < gMappingCount; ++i) {
            const Mapping &m = gWork->mappings[i];
            if (m.nameLength != first.nameLength ||
                std::memcmp(gWork->maps + m.nameOffset, gWork->maps + first.nameOffset,
                            first.nameLength) != 0) {
                break;
            }
            end = m.end;
        }
        const Location name = appendString(gWork->maps + first.nameOffset, first.nameLength);
        const Location buildId = appendBuildId(first.start);
        appendDataSegments(static_cast<std::size_t>(moduleStarts[k]));
        unsigned char entry[kModuleSize] = {};
        set64(entry + 0, first.start);
        set32(entry + 8, static_cast<std::uint32_t>(end - first.start));
        set32(entry + 20, name.rva);
        set32(entry + 76, buildId.size);
        set32(entry + 80, buildId.rva);
        put(static_cast<std::uint32_t>(listRva + 4 + kModuleSize * static_cast<std::size_t>(k)),
            entry, kModuleSize);
    }
    return {static_cast<std::uint32_t>(listSize), listRva};
}

MinidumpWriter::Location MinidumpWriter::writeMemoryList() {
    const std::size_t listSize = 4 + kMemoryDescriptorSize * static_cast<std::size_t>(gRangeCount);
    const std::uint32_t listRva = reserve(listSize);
    const auto count = static_cast<std::uint32_t>(gRangeCount);
    put(listRva, &count, 4);
    for (int i = 0; i < gRangeCount; ++i) {
        unsigned char entry[kMemoryDescriptorSize];
        set64(entry + 0, gWork->ranges[i].address);
        set32(entry + 8, gWork->ranges[i].size);
        set32(entry + 12, gWork->ranges[i].rva);
        put(static_cast<std::uint32_t>(listRva + 4 +
                                       kMemoryDescriptorSize * static_cast<std::size_t>(i)),
            entry, kMemoryDescriptorSize);
    }
    return {static_cast<std::uint32_t>(listSize), listRva};
}

MinidumpWriter::Location MinidumpWriter::writeMiscInfo() {
    unsigned char info[24] = {};
    set32(info + 0, sizeof info);
    set32(info + 4, kMiscProcessId);
    set32(info + 8, static_cast<std::uint32_t>(crash_.pid));
    return {sizeof info, append(info, sizeof info)};
}

bool MinidumpWriter::write() {
    void *workspace = mmap(nullptr, sizeof(Workspace), PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (workspace == MAP_FAILED) {
        return false;
    }
    gWork = static_cast<Workspace *>(workspace);
    gThreadCount = 0;
    gRangeCount = 0;
    gDataCopied = 0;
    end_ = kHeaderSize + kDirectoryEntrySize * kStreamCount;
    // A thread that cannot be stopped must leave time to write what the others show.
    attachThreads(crash_.pid, crash_.tid, crash_.deadline - kWritingReserveNanoseconds);

    std::uint32_t types[kStreamCount];
    Location streams[kStreamCount];
    int stream = 0;
    char path[64];

    types[stream] = kSystemInfoStream;
    streams[stream++] = writeSystemInfo();

    std::size_t mapsLength = 0;
    procPath(crash_.pid, "maps", path);
    types[stream] = kLinuxMapsStream;
    streams[stream++] = appendFile(path, gWork->maps, sizeof gWork->maps, &mapsLength);
    parseMaps(mapsLength);

    procPath(crash_.pid, "status", path);
    types[stream] = kLinuxProcStatusStream;
    streams[stream++] = appendFile(path, gWork->text, sizeof gWork->text, nullptr);
    procPath(crash_.pid, "cmdline", path);
    types[stream] = kLinuxCmdLineStream;
    streams[stream++] = appendFile(path, gWork->text, sizeof gWork->text, nullptr);

    Location crashingContext = {0, 0};
    types[stream] = kThreadListStream;
    streams[stream++] = writeThreadList(crashingContext);
    types[stream] = kExceptionStream;
    streams[stream++] = writeException(crashingContext);
    types[stream] = kModuleListStream;
    streams[stream++] = writeModuleList();
    detachThreads();
    types[stream] = kMemoryListStream;
    streams[stream++] = writeMemoryList();
    types[stream] = kMiscInfoStream;
    streams[stream++] = writeMiscInfo();

    unsigned char header[kHeaderSize + kDirectoryEntrySize * kStreamCount] = {};
    set32(header + 0, kSignature);
    set32(header + 4, kVersion);
    set32(header + 8, kStreamCount);
    set32(header + 12, kHeaderSize);
    set32(header + 20, static_cast<std::uint32_t>(time(nullptr)));
    for (int i = 0; i < kStreamCount; ++i) {
        unsigned char *entry = header + kHeaderSize + kDirectoryEntrySize * i;
        set32(entry + 0, types[i]);
        set32(entry + 4, streams[i].size);
        set32(entry + 8, streams[i].rva);
    }
    put(0, header, sizeof header);
    // The browser process writes the dumps of sandboxed processes and lives on.
    munmap(workspace, sizeof(Workspace));
    gWork = nullptr;
    return !failed_;
}

std::int64_t monotonicNanoseconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool waitUntil(pid_t pid, std::int64_t deadline) {
    for (;;) {
        int status;
        const pid_t changed = waitpid(pid, &status, __WALL | WNOHANG);
        if (changed == pid) {
            return true;
        }
        if ((changed < 0 && errno != EINTR) || monotonicNanoseconds() >= deadline) {
            return false;
        }
        const struct timespec pause = {0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace linux_crash
}  // namespace platform
