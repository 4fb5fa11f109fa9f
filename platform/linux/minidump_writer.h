#ifndef PLATFORM_LINUX_MINIDUMP_WRITER_H_
#define PLATFORM_LINUX_MINIDUMP_WRITER_H_

#include <signal.h>
#include <sys/types.h>
#include <sys/ucontext.h>

#include <cstdint>

namespace platform {
namespace linux_crash {

// What the crashing thread saw, copied out of its signal frame.
struct CrashContext {
    pid_t pid;
    pid_t tid;
    siginfo_t info;
    ucontext_t context;
    struct _libc_fpstate floatingPoint;
    std::uint64_t fsBase;
    // When the dump is given up, on the monotonic clock (monotonicNanoseconds).
    std::int64_t deadline;
};

// The monotonic clock in nanoseconds; safe in a signal handler.
std::int64_t monotonicNanoseconds();
// Waits for the child or tracee pid to change state until deadline. False when the deadline came
// first or there is nothing to wait for.
bool waitUntil(pid_t pid, std::int64_t deadline);

// Facts about the machine gathered once at installation.
struct MachineFacts {
    std::uint16_t processorLevel;
    std::uint16_t processorRevision;
    std::uint8_t processorCount;
    std::uint32_t vendor[3];
    std::uint32_t versionInformation;
    std::uint32_t featureInformation;
    std::uint32_t amdExtendedFeatures;
};

// Writes a minidump of another process, the crashed one: all its threads (stopped while they are
// read), their stacks, its modules with build ids and data segments, the exception, and its
// status, command line and memory map. Runs either in a helper process cloned from the crashed
// one, which made the helper its tracer, or in the browser process for a sandboxed sub-process
// that asked for its dump (crash's ids are then those of the browser's pid namespace). It uses no
// heap and takes no locks: its buffers are mapped for the writing alone, and the crashed process's
// memory is read with process_vm_readv. One dump at a time per process.
class MinidumpWriter {
public:
    MinidumpWriter(int file, const CrashContext &crash, const MachineFacts &machine);
    // Returns false when the dump could not be written completely.
    bool write();

    // One line of the crashed process's memory map.
    struct Mapping;

private:
    struct Location {
        std::uint32_t size;
        std::uint32_t rva;
    };
    std::uint32_t append(const void *data, std::size_t size);
    std::uint32_t reserve(std::size_t size);
    bool put(std::uint32_t rva, const void *data, std::size_t size);
    Location appendFile(const char *path, char *buffer, std::size_t capacity, std::size_t *length);
    Location appendString(const char *utf8, std::size_t length);
    Location appendRemoteMemory(std::uint64_t address, std::size_t size);
    bool readRemote(std::uint64_t address, void *into, std::size_t size) const;
    void addMemory(std::uint64_t address, Location where);

    void parseMaps(std::size_t length);
    void stackRange(std::uint64_t sp, std::uint64_t &start, std::uint64_t &end) const;

    Location writeSystemInfo();
    Location writeThreadList(Location &crashingContext);
    Location writeException(Location crashingContext);
    Location writeModuleList();
    Location writeMemoryList();
    Location writeMiscInfo();
    Location appendBuildId(std::uint64_t base);
    void appendDataSegments(std::size_t firstMapping);

    int file_;
    const CrashContext &crash_;
    const MachineFacts &machine_;
    std::uint64_t end_ = 0;
    bool failed_ = false;
};

}  // namespace linux_crash
}  // namespace platform

#endif  // PLATFORM_LINUX_MINIDUMP_WRITER_H_
