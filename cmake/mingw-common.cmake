# What the 32-bit and the 64-bit Windows cross builds share; the toolchain file naming the width
# sets VT_MINGW_TRIPLE and VT_WINE_WIDTH (win32 or win64) first. The results run under Wine.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: the win32 one has no std::thread or std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${VT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: Wine then needs none of MinGW's runtime DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest and custom commands run the Windows executables through the Wine of the build's width,
# quiet and without its first-start dialogs.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-quiet.sh ${VT_WINE_WIDTH})
