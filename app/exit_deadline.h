#ifndef APP_EXIT_DEADLINE_H_
#define APP_EXIT_DEADLINE_H_

#include <chrono>

// Bounds what is left of the process's life: once bound has passed, a line goes to standard error
// and the process ends at once with exit_code, whatever its threads are still doing. Started when
// the window has closed and everything the viewer chose is saved, so that a shut-down that hangs
// cannot keep the data folder's lock (and the next start's hand-over) forever.
void startExitDeadline(std::chrono::milliseconds bound, int exit_code);

#endif  // APP_EXIT_DEADLINE_H_
