// Gives a test its own copy of the Windows layer's call table and puts the real one back after it.
#ifndef TESTS_WIN_SCOPED_WIN32_CALLS_H_
#define TESTS_WIN_SCOPED_WIN32_CALLS_H_

#include "platform/win/win32_calls.h"

class ScopedWin32Calls {
public:
    ScopedWin32Calls() : saved_(platform::win::win32Calls()) {}
    ~ScopedWin32Calls() { platform::win::win32Calls() = saved_; }
    ScopedWin32Calls(const ScopedWin32Calls &) = delete;
    ScopedWin32Calls &operator=(const ScopedWin32Calls &) = delete;

    platform::win::Win32Calls *operator->() { return &platform::win::win32Calls(); }

private:
    platform::win::Win32Calls saved_;
};

#endif  // TESTS_WIN_SCOPED_WIN32_CALLS_H_
