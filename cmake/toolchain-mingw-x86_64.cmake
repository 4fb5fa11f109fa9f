# Cross build for 64-bit Windows with MinGW-w64, run under 64-bit Wine where the machine runs no
# 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VT_MINGW_TRIPLE x86_64-w64-mingw32)
set(VT_WINE_WIDTH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
