#include "app/exit_deadline.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

void startExitDeadline(std::chrono::milliseconds bound, int exit_code) {
    std::thread([bound, exit_code] {
        std::this_thread::sleep_for(bound);
        std::fprintf(stderr,
                     "vantoro-client: the shut-down still ran %lld ms after the window closed; "
                     "ending it\n",
                     static_cast<long long>(bound.count()));
        std::fflush(stderr);
        // No destructors, no exit handlers: those are what may be stuck.
        std::_Exit(exit_code);
    }).detach();
}
