#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"

namespace platform {

ReadResult readRegularFile(const std::string &path, std::size_t max_bytes, std::string &out) {
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int file = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file < 0) {
        return errno == ENOENT ? ReadResult::kMissing : ReadResult::kFailed;
    }
    struct stat status;
    ReadResult result = ReadResult::kRead;
    if (fstat(file, &status) != 0) {
        result = ReadResult::kFailed;
    } else if (!S_ISREG(status.st_mode)) {
        result = ReadResult::kNotRegular;
    } else if (static_cast<unsigned long long>(status.st_size) > max_bytes) {
        result = ReadResult::kTooLarge;
    }
    std::string content;
    // The file may grow while it is read: no more than one byte past the limit is asked for.
    char buffer[65536];
    while (result == ReadResult::kRead) {
        const ssize_t got = read(file, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            result = ReadResult::kFailed;
        } else if (got == 0) {
            break;
        } else if (content.size() + static_cast<std::size_t>(got) > max_bytes) {
            result = ReadResult::kTooLarge;
        } else {
            content.append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(file);
    if (result == ReadResult::kRead) {
        out.swap(content);
    }
    return result;
}

}  // namespace platform
