#include "platform/win/crash_dump_filter.h"

#include <dbghelp.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "crash_child.h"
#include "scoped_win32_calls.h"

namespace {

BOOL WINAPI debuggerAttached() {
    return TRUE;
}

HMODULE WINAPI noDbgHelp(LPCWSTR) {
    return nullptr;
}

// A library that loads but has no MiniDumpWriteDump.
HMODULE WINAPI dbgHelpWithoutEntryPoint(LPCWSTR) {
    return LoadLibraryW(L"msimg32.dll");
}

std::wstring localTimeStamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t text[32];
    swprintf(text, 32, L"%04d%02d%02d-%02d%02d%02d", now.wYear, now.wMonth, now.wDay, now.wHour,
             now.wMinute, now.wSecond);
    return text;
}

bool isDumpName(const std::wstring &name) {
    const std::wstring prefix = L"DumpDemo_v1.0-";
    const std::wstring suffix = L".dmp";
    if (name.size() != prefix.size() + 15 + suffix.size() ||
        name.compare(0, prefix.size(), prefix) ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix)) {
        return false;
    }
    for (size_t i = 0; i < 15; ++i) {
        const wchar_t c = name[prefix.size() + i];
        if (i == 8 ? c != L'-' : !iswdigit(c)) {
            return false;
        }
    }
    return true;
}

struct DumpContents {
    std::string signature;
    bool hasException = false;
    MINIDUMP_EXCEPTION_STREAM exception = {};
};

DumpContents readDump(const std::wstring &path) {
    DumpContents contents;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return contents;
    }
    std::vector<char> bytes(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    MINIDUMP_HEADER header;
    if (bytes.size() < sizeof header) {
        return contents;
    }
    std::memcpy(&header, bytes.data(), sizeof header);
    contents.signature.assign(bytes.data(), 4);
    for (ULONG32 i = 0; i < header.NumberOfStreams; ++i) {
        MINIDUMP_DIRECTORY entry;
        const size_t at = header.StreamDirectoryRva + i * sizeof entry;
        if (at + sizeof entry > bytes.size()) {
            break;
        }
        std::memcpy(&entry, bytes.data() + at, sizeof entry);
        if (entry.StreamType == ExceptionStream &&
            entry.Location.Rva + sizeof contents.exception <= bytes.size()) {
            std::memcpy(&contents.exception, bytes.data() + entry.Location.Rva,
                        sizeof contents.exception);
            contents.hasException = true;
        }
    }
    return contents;
}

class CrashDumpFilterTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int serial = 0;
        folder_ = std::wstring(temp) + L"vt-crash-" + std::to_wstring(GetCurrentProcessId()) +
                  L"-" + std::to_wstring(++serial);
        ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
        GetCurrentDirectoryW(MAX_PATH, savedDirectory_);
    }

    void TearDown() override {
        SetCurrentDirectoryW(savedDirectory_);
        for (const std::wstring &name : filesInFolder()) {
            DeleteFileW((folder_ + L"\\" + name).c_str());
        }
        RemoveDirectoryW(folder_.c_str());
    }

    std::vector<std::wstring> filesInFolder() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW entry;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(entry.cFileName);
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
        return names;
    }

    // Runs the filter here, in the folder, as the system would for an access violation.
    LONG filterAccessViolation() {
        SetCurrentDirectoryW(folder_.c_str());
        CONTEXT context = {};
        RtlCaptureContext(&context);
        EXCEPTION_RECORD record = {};
        record.ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
#ifdef _WIN64
        record.ExceptionAddress = reinterpret_cast<void *>(context.Rip);
#else
        record.ExceptionAddress = reinterpret_cast<void *>(context.Eip);
#endif
        record.NumberParameters = 2;
        record.ExceptionInformation[0] = 1;
        EXCEPTION_POINTERS pointers = {&record, &context};
        const LONG result = platform::crashDumpFilter(&pointers);
        SetCurrentDirectoryW(savedDirectory_);
        return result;
    }

    std::wstring folder_;
    wchar_t savedDirectory_[MAX_PATH] = {};
};

}  // namespace

TEST_F(CrashDumpFilterTest, NullPointerWriteInAChildLeavesADumpAndEndsIt) {
    wchar_t program[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    std::wstring commandLine = L"\"" + std::wstring(program) + L"\" ";
    for (const char *c = kCrashChildSwitch; *c; ++c) {
        commandLine += static_cast<wchar_t>(*c);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    const std::wstring before = localTimeStamp();
    ASSERT_TRUE(CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               folder_.c_str(), &startup, &child));
    const DWORD waited = WaitForSingleObject(child.hProcess, 60000);
    DWORD exitCode = 0;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    const std::wstring after = localTimeStamp();
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the crashed child did not end";
    // Ended with the fault's own code, whose low byte (5) is what Wine's process reports.
    EXPECT_EQ(exitCode, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));

    const std::vector<std::wstring> files = filesInFolder();
    ASSERT_EQ(files.size(), 1u);
    const std::wstring &name = files[0];
    ASSERT_TRUE(isDumpName(name)) << std::string(name.begin(), name.end());
    const std::wstring stamp = name.substr(14, 15);
    EXPECT_GE(stamp, before);
    EXPECT_LE(stamp, after);

    const DumpContents dump = readDump(folder_ + L"\\" + name);
    EXPECT_EQ(dump.signature, "MDMP");
    ASSERT_TRUE(dump.hasException);
    EXPECT_NE(dump.exception.ThreadId, 0u);
    const MINIDUMP_EXCEPTION &fault = dump.exception.ExceptionRecord;
    EXPECT_EQ(fault.ExceptionCode, static_cast<ULONG32>(EXCEPTION_ACCESS_VIOLATION));
    ASSERT_EQ(fault.NumberParameters, 2u);
    EXPECT_EQ(fault.ExceptionInformation[0], 1u) << "a write";
    EXPECT_EQ(fault.ExceptionInformation[1], 0u) << "at address 0";
}

TEST_F(CrashDumpFilterTest, WithoutExceptionDetailsStillWritesADump) {
    SetCurrentDirectoryW(folder_.c_str());
    const LONG result = platform::crashDumpFilter(nullptr);
    SetCurrentDirectoryW(savedDirectory_);
    EXPECT_EQ(result, EXCEPTION_EXECUTE_HANDLER);
    const std::vector<std::wstring> files = filesInFolder();
    ASSERT_EQ(files.size(), 1u);
    const DumpContents dump = readDump(folder_ + L"\\" + files[0]);
    EXPECT_EQ(dump.signature, "MDMP");
    EXPECT_FALSE(dump.hasException);
}

TEST_F(CrashDumpFilterTest, UnderADebuggerWritesNothingAndPassesTheExceptionOn) {
    ScopedWin32Calls calls;
    calls->isDebuggerPresent = debuggerAttached;
    EXPECT_EQ(filterAccessViolation(), EXCEPTION_CONTINUE_SEARCH);
    EXPECT_TRUE(filesInFolder().empty());
}

TEST_F(CrashDumpFilterTest, WithoutDbgHelpWritesNothingAndPassesTheExceptionOn) {
    ScopedWin32Calls calls;
    calls->loadDbgHelp = noDbgHelp;
    EXPECT_EQ(filterAccessViolation(), EXCEPTION_CONTINUE_SEARCH);
    EXPECT_TRUE(filesInFolder().empty());

    ASSERT_EQ(GetModuleHandleW(L"msimg32.dll"), nullptr);
    calls->loadDbgHelp = dbgHelpWithoutEntryPoint;
    EXPECT_EQ(filterAccessViolation(), EXCEPTION_CONTINUE_SEARCH);
    EXPECT_TRUE(filesInFolder().empty());
    // The library the filter loaded was given back.
    EXPECT_EQ(GetModuleHandleW(L"msimg32.dll"), nullptr);
}
