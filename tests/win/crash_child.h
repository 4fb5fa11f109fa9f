// The test program started again as a child that crashes, so the crash filter meets a real fault.
#ifndef TESTS_WIN_CRASH_CHILD_H_
#define TESTS_WIN_CRASH_CHILD_H_

// First argument that makes the test program a crashing child instead of running the suite.
extern const char kCrashChildSwitch[];

// Installs the crash handler and writes through a null pointer; returns only if that did not end
// the process.
int runCrashChild();

#endif  // TESTS_WIN_CRASH_CHILD_H_
