#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

ReadResult readRegularFile(const std::string &path, std::size_t max_bytes, std::string &out) {
    const std::wstring wide = win::wideFromUtf8(path);
    if (wide.empty()) {
        return ReadResult::kFailed;
    }
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::kMissing
                                                                              : ReadResult::kFailed;
    }
    ReadResult result = ReadResult::kRead;
    LARGE_INTEGER size;
    // Pipes and devices are no disk files.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        result = ReadResult::kNotRegular;
    } else if (!GetFileSizeEx(file, &size)) {
        result = ReadResult::kFailed;
    } else if (static_cast<unsigned long long>(size.QuadPart) > max_bytes) {
        result = ReadResult::kTooLarge;
    }
    std::string content;
    char buffer[65536];
    while (result == ReadResult::kRead) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            result = ReadResult::kFailed;
        } else if (got == 0) {
            break;
        } else if (content.size() + got > max_bytes) {
            result = ReadResult::kTooLarge;
        } else {
            content.append(buffer, got);
        }
    }
    CloseHandle(file);
    if (result == ReadResult::kRead) {
        out.swap(content);
    }
    return result;
}

}  // namespace platform
