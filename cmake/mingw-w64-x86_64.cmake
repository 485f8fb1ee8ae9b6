# Cross build of the 64-bit Windows program with MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(mingw_triple x86_64-w64-mingw32)
set(windows_version 5.2)   # Windows XP x64 Edition
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# The 64-bit programs run here through Wine, in a prefix of the build tree's
# own so that no test touches the user's ~/.wine. Wine reads the arguments it
# is given in the locale's character set: UTF-8, as the tests' names are.
# Without Wine the tests that run the program are left out.
set(CROSS_EMULATOR /usr/lib/wine/wine64 CACHE FILEPATH "Wine's loader, which runs the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wine LC_ALL=C.UTF-8
    ${CROSS_EMULATOR})
