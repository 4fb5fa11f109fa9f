# Cross build for 32-bit Windows with MinGW-w64, run under 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VT_MINGW_TRIPLE i686-w64-mingw32)
set(VT_WINE_WIDTH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
