# Cross build of the 32-bit Windows program with MinGW-w64: the primary
# Windows program.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(mingw_triple i686-w64-mingw32)
set(windows_version 5.1)   # Windows XP
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# The 32-bit programs run under 32-bit Wine, which needs a kernel that runs
# 32-bit code: in the Debian 12 guest of tests/guest, in the 32-bit prefix
# made with its image. The host itself runs only the tests that boot the
# guest (tests/guest/CMakeLists.txt).
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEDEBUG=-all WINEPREFIX=/root/wine-win32 LC_ALL=C.UTF-8
    /usr/lib/wine/wine)
# The guest's Python runs the tests there.
set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Python 3 of the guest that runs the tests")
