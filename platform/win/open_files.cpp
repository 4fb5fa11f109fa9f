#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

namespace {

// The system's handle table (SystemExtendedHandleInformation), the one place Windows lists which
// files a process holds open; ntdll exports it without a header.
constexpr ULONG kExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

struct HandleEntry {
    void *object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI *)(ULONG, void *, ULONG, ULONG *);

// All handles of all processes: grown until the table fits, as it may grow between two calls.
std::vector<char> handleTable() {
    const auto query = reinterpret_cast<QuerySystemInformation>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> table(64 * 1024);
    while (query && table.size() <= 256 * 1024 * 1024) {
        ULONG needed = 0;
        const LONG status = query(kExtendedHandleInformation, table.data(),
                                  static_cast<ULONG>(table.size()), &needed);
        if (status >= 0) {
            return table;
        }
        if (status != kInfoLengthMismatch) {
            break;
        }
        table.resize(table.size() * 2);
    }
    return std::vector<char>();
}

// The path a file handle was opened by, in the "C:\..." or "\\server\..." form.
std::wstring pathOf(HANDLE file) {
    std::wstring text(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, &text[0], 32768, VOLUME_NAME_DOS);
    if (length == 0 || length >= 32768) {
        return std::wstring();
    }
    text.resize(length);
    if (text.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        return L"\\" + text.substr(7);
    }
    return text.compare(0, 4, L"\\\\?\\") == 0 ? text.substr(4) : text;
}

bool startsWithIgnoringCase(const std::wstring &text, const std::wstring &prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

bool holdsFilesBelow(const std::string &folder) {
    const std::wstring wideFolder = win::wideFromUtf8(folder);
    std::wstring prefix(32768, L'\0');
    const DWORD fullLength =
        wideFolder.empty() ? 0 : GetFullPathNameW(wideFolder.c_str(), 32768, &prefix[0], nullptr);
    if (fullLength == 0 || fullLength >= 32768) {
        return false;
    }
    prefix.resize(fullLength);
    if (prefix.back() != L'\\') {
        prefix += L'\\';
    }
    const std::vector<char> table = handleTable();
    if (table.empty()) {
        return false;
    }
    const auto *handles = reinterpret_cast<const HandleTable *>(table.data());
    const ULONG_PTR self = GetCurrentProcessId();
    for (ULONG_PTR i = 0; i < handles->count; ++i) {
        const HandleEntry &entry = handles->entries[i];
        if (entry.processId != self) {
            continue;
        }
        const HANDLE handle = reinterpret_cast<HANDLE>(entry.handle);
        // Only files on disk: asking a pipe for its path can block.
        if (GetFileType(handle) == FILE_TYPE_DISK &&
            startsWithIgnoringCase(pathOf(handle), prefix)) {
            return true;
        }
    }
    return false;
}

}  // namespace platform
