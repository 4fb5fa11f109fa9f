#include "platform/win/win32_calls.h"

#include <shlobj.h>

namespace platform {
namespace win {

Win32Calls realWin32Calls() {
    return Win32Calls{SHGetSpecialFolderPathW, GetAdaptersInfo, GetProcAddress,
                      IsDebuggerPresent,       LoadLibraryW,    GetExtendedTcpTable};
}

Win32Calls &win32Calls() {
    static Win32Calls calls = realWin32Calls();
    return calls;
}

}  // namespace win
}  // namespace platform
