# Cross build of the 32-bit Windows program with MinGW-w64: the primary
# Windows program. This machine cannot run 32-bit code, so it is only built.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(mingw_triple i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
