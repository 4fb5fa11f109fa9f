#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

// A folder, not a link to one, of this user's that nobody else may enter or list: another user
// cannot put a socket of theirs at a name inside it.
bool isPrivateFolder(const std::string &path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == geteuid() && (status.st_mode & 077) == 0;
}

std::string absoluteVariable(const char *name) {
    const char *value = std::getenv(name);
    std::string path = value && value[0] == '/' ? value : "";
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string privateRuntimeFolder() {
    const std::string runtime = absoluteVariable("XDG_RUNTIME_DIR");
    if (!runtime.empty() && isPrivateFolder(runtime)) {
        return runtime;
    }
    // Without a session's runtime folder: one of our own in the temporary folder, which another
    // user may have made first; then there is none.
    std::string temporary = absoluteVariable("TMPDIR");
    if (temporary.empty()) {
        temporary = "/tmp";
    }
    const std::string own = (temporary == "/" ? std::string() : temporary) +
                            "/vantoro-client-runtime-" + std::to_string(geteuid());
    if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
        return std::string();
    }
    return isPrivateFolder(own) ? own : std::string();
}

}  // namespace

std::string privateServerName(const std::string &name) {
    const std::string folder = privateRuntimeFolder();
    return folder.empty() ? std::string() : folder + "/" + name;
}

}  // namespace platform
