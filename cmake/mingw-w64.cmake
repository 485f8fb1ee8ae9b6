# Cross build of the Windows program with MinGW-w64, for the target that
# mingw_triple names, and the oldest Windows it starts on
# (windows_version, MAJOR.MINOR).
set(CMAKE_SYSTEM_NAME Windows)

# Debian ships each compiler twice, for two thread models, each with its
# own headers and runtime libraries. The shipped program is built by the
# win32 model's alone: it uses no threads, and the POSIX model's runtime
# brings a thread library that calls what only Windows Vista and later have
# (GetTickCount64), which Windows XP would refuse to start. GoogleTest needs
# std::mutex, which only the POSIX model's library has: a build with the
# tests is a POSIX model build, and builds the shipped program in a build of
# its own, beside it (CMakeLists.txt), whose VIMBREL_THREAD_MODEL is win32.
set(VIMBREL_THREAD_MODEL posix CACHE STRING "Thread model of the compilers: posix or win32")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VIMBREL_THREAD_MODEL)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-${VIMBREL_THREAD_MODEL})
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-${VIMBREL_THREAD_MODEL})
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime libraries go into the executable, so that it
# needs no DLL beyond those every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The oldest Windows that starts the program: the version its loader must be.
string(REPLACE . ";" windows_version_parts ${windows_version})
list(GET windows_version_parts 0 windows_major)
list(GET windows_version_parts 1 windows_minor)
set(VIMBREL_PROGRAM_LINK_OPTIONS
    LINKER:--major-subsystem-version,${windows_major},--minor-subsystem-version,${windows_minor}
    LINKER:--major-os-version,${windows_major},--minor-os-version,${windows_minor})
