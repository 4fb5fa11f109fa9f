#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

namespace {

// Links, junctions and mounted volumes alike are reparse points: removed as what they are, never
// entered.
bool removeReparsePoint(const std::wstring &path, DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str()) != 0
                                                   : DeleteFileW(path.c_str()) != 0;
}

void emptyFolder(const std::wstring &path, const std::wstring &keep) {
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::wstring name = entry.cFileName;
        const std::wstring entryPath = path + L"\\" + name;
        const DWORD attributes = entry.dwFileAttributes;
        // Hidden and system entries are not ours.
        if (name == L"." || name == L".." ||
            (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ||
            _wcsicmp(entryPath.c_str(), keep.c_str()) == 0) {
            continue;
        }
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            removeReparsePoint(entryPath, attributes);
        } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            emptyFolder(entryPath, keep);
            RemoveDirectoryW(entryPath.c_str());
        } else {
            DeleteFileW(entryPath.c_str());
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
}

std::wstring withoutTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    return path;
}

}  // namespace

bool removeFolder(const std::string &path, const std::string &keep) {
    const std::wstring named = withoutTrailingSeparators(win::wideFromUtf8(path));
    if (named.empty()) {
        return false;
    }
    const DWORD attributes = GetFileAttributesW(named.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    // A data folder that is a link to another disk: only the link goes.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return removeReparsePoint(named, attributes);
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return false;
    }
    emptyFolder(named, withoutTrailingSeparators(win::wideFromUtf8(keep)));
    // The folder alone: a parent that is left empty is not ours to remove.
    return RemoveDirectoryW(named.c_str()) != 0;
}

}  // namespace platform
