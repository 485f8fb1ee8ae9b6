# Cross build of the Linux program and its tests for the target that the
# cache variable VIMBREL_TARGET names by its GNU triple (i686-linux-gnu,
# aarch64-linux-gnu, arm-linux-gnueabihf, powerpc64le-linux-gnu,
# s390x-linux-gnu), with Debian's cross compiler g++-TRIPLE, run here
# through qemu's user-mode emulation. i686 runs our code where pointers,
# long, size_t and the C library's sizes are 32 bits wide, as in the 32-bit
# Windows program (this machine cannot run 32-bit Windows code); s390x runs
# it where integers are stored big-endian.
if(NOT VIMBREL_TARGET)
  message(FATAL_ERROR "cmake/linux-cross.cmake needs -DVIMBREL_TARGET=TRIPLE")
endif()
# The checks that try_compile runs read this file again, in a project of
# their own.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VIMBREL_TARGET)

set(CMAKE_SYSTEM_NAME Linux)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${VIMBREL_TARGET})
set(CMAKE_C_COMPILER ${VIMBREL_TARGET}-gcc)
set(CMAKE_CXX_COMPILER ${VIMBREL_TARGET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${VIMBREL_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# qemu names two of the processors its own way.
set(qemu_i686 i386)
set(qemu_powerpc64le ppc64le)
set(qemu ${CMAKE_SYSTEM_PROCESSOR})
if(DEFINED qemu_${CMAKE_SYSTEM_PROCESSOR})
  set(qemu ${qemu_${CMAKE_SYSTEM_PROCESSOR}})
endif()
# The programs run on the cross compiler's own C library and loader. Both are
# named explicitly: a C library of the host's for the same processor (for
# i686, /lib32 of package libc6-i386) is listed in the host's loader cache,
# and a loader and C library of two different builds hang in the child of
# every fork.
# Without the emulator the tests that run the program are left out.
set(CROSS_EMULATOR /usr/bin/qemu-${qemu}-static CACHE FILEPATH "The emulator that runs the tests")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CROSS_EMULATOR} -L /usr/${VIMBREL_TARGET}
    -E LD_LIBRARY_PATH=/usr/${VIMBREL_TARGET}/lib)
