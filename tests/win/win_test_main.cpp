#include <gtest/gtest.h>

#include <cstring>

#include "crash_child.h"

int main(int argc, char **argv) {
    if (argc >= 2 && std::strcmp(argv[1], kCrashChildSwitch) == 0) {
        return runCrashChild();
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
