#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win/wide_text.h"

namespace platform {

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kValueName[] = L"VantoroClient";

}  // namespace

bool startsAtLogin() {
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

bool setStartAtLogin(bool start) {
    if (!start) {
        const LSTATUS removed = RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, kValueName);
        return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
    }
    const std::wstring program = win::wideFromUtf8(executablePath());
    if (program.empty()) {
        return false;
    }
    // Quoted: the shell would otherwise split a path with spaces ("C:\Program Files\...").
    const std::wstring command = L"\"" + program + L"\"";
    return RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, kValueName, REG_SZ, command.c_str(),
                           static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

}  // namespace platform
