# Cross build of the Windows program with MinGW-w64, for the target that
# mingw_triple names, and the oldest Windows it starts on
# (windows_version, MAJOR.MINOR).
set(CMAKE_SYSTEM_NAME Windows)

# The POSIX thread model compiles everything: GoogleTest needs std::mutex,
# which the win32 model of this compiler lacks.
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime libraries go into the executable, so that it
# needs no DLL beyond those every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The program itself, which uses no threads, links the C++ and GCC runtimes
# of the win32 thread model, found first in their folder: those of the POSIX
# model bring its thread library, which calls what only Windows Vista and
# later have (GetTickCount64), and Windows XP would refuse to start it.
execute_process(COMMAND ${mingw_triple}-gcc-win32 -print-libgcc-file-name
                OUTPUT_VARIABLE win32_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
get_filename_component(VIMBREL_WIN32_RUNTIME ${win32_libgcc} DIRECTORY)
string(REPLACE . ";" windows_version_parts ${windows_version})
list(GET windows_version_parts 0 windows_major)
list(GET windows_version_parts 1 windows_minor)
set(VIMBREL_PROGRAM_LINK_OPTIONS
    -L${VIMBREL_WIN32_RUNTIME}
    # The oldest Windows that starts it: the version its loader must be.
    LINKER:--major-subsystem-version,${windows_major},--minor-subsystem-version,${windows_minor}
    LINKER:--major-os-version,${windows_major},--minor-os-version,${windows_minor})
