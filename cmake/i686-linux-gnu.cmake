# Cross build of the Linux program for 32-bit x86, run here through qemu's
# user-mode emulation: this machine cannot run 32-bit Windows code, but this
# build executes our code where pointers, long, size_t and the C library's
# sizes are 32 bits wide.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run on the cross compiler's own C library and loader. Both are
# named explicitly: a 32-bit C library of the host (/lib32, package
# libc6-i386) is listed in the host's loader cache, and a loader and C library
# of two different builds hang in the child of every fork.
# Without the emulator the tests that run the program are left out.
set(CROSS_EMULATOR /usr/bin/qemu-i386-static CACHE FILEPATH "The emulator that runs the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CROSS_EMULATOR} -L /usr/i686-linux-gnu
    -E LD_LIBRARY_PATH=/usr/i686-linux-gnu/lib)
