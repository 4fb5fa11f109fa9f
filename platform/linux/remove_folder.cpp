#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

namespace {

// Where a folder lives: its device, and where the kernel can tell, its mount. A bind mount of a
// folder of the same file system shows the same device.
struct Place {
    dev_t device = 0;
    unsigned long long mount = 0;
    bool hasMount = false;
};

bool placeOf(int folder, Place &place) {
    struct statx status;
    if (statx(folder, "", AT_EMPTY_PATH, STATX_MNT_ID, &status) == 0) {
        place.device = makedev(status.stx_dev_major, status.stx_dev_minor);
        place.hasMount = (status.stx_mask & STATX_MNT_ID) != 0;
        place.mount = status.stx_mnt_id;
        return true;
    }
    struct stat plain;
    if (fstat(folder, &plain) != 0) {
        return false;
    }
    place.device = plain.st_dev;
    return true;
}

bool samePlace(const Place &a, const Place &b) {
    return a.device == b.device && (!a.hasMount || !b.hasMount || a.mount == b.mount);
}

std::vector<std::string> entryNames(int folder) {
    std::vector<std::string> names;
    // The listing gets a descriptor of its own, closed with it; folder stays open.
    const int listed = dup(folder);
    DIR *directory = listed >= 0 ? fdopendir(listed) : nullptr;
    if (!directory) {
        if (listed >= 0) {
            close(listed);
        }
        return names;
    }
    while (const dirent *entry = readdir(directory)) {
        // Hidden entries, "." and ".." among them, are not ours.
        if (entry->d_name[0] != '.') {
            names.emplace_back(entry->d_name);
        }
    }
    closedir(directory);
    return names;
}

// Empties the open folder at path; the folder itself stays for the caller to remove.
void emptyFolder(int folder, const std::string &path, const Place &root, const std::string &keep) {
    for (const std::string &name : entryNames(folder)) {
        const std::string entryPath = path + "/" + name;
        if (entryPath == keep) {
            continue;
        }
        struct stat status;
        if (fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISLNK(status.st_mode) || S_ISREG(status.st_mode)) {
            unlinkat(folder, name.c_str(), 0);
        } else if (S_ISDIR(status.st_mode)) {
            // Opened without following a link: a folder swapped for one since the look above is
            // not entered. The place is checked on what was opened.
            const int child =
                openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0) {
                continue;
            }
            Place place;
            if (placeOf(child, place) && samePlace(place, root)) {
                emptyFolder(child, entryPath, root, keep);
                close(child);
                unlinkat(folder, name.c_str(), AT_REMOVEDIR);
            } else {
                close(child);
            }
        }
    }
}

}  // namespace

bool removeFolder(const std::string &path, const std::string &keep) {
    if (path.empty()) {
        return false;
    }
    // A trailing separator would make the system look through a link.
    std::string named = path;
    while (named.size() > 1 && named.back() == '/') {
        named.pop_back();
    }
    struct stat status;
    if (lstat(named.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    // A data folder that is a link to another disk: the link is what the path names, and the
    // folder it leads to is not ours to empty.
    if (!S_ISDIR(status.st_mode)) {
        return S_ISLNK(status.st_mode) && unlink(named.c_str()) == 0;
    }
    const int folder = open(named.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    Place root;
    if (folder < 0) {
        return false;
    }
    if (placeOf(folder, root)) {
        std::string kept = keep;
        while (kept.size() > 1 && kept.back() == '/') {
            kept.pop_back();
        }
        emptyFolder(folder, named, root, kept);
    }
    close(folder);
    // The folder alone: a parent that is left empty is not ours to remove (it may be
    // ~/.local/share, or the home folder of a bare account).
    return rmdir(named.c_str()) == 0;
}

}  // namespace platform
