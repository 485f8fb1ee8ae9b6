# Installs the build tree into an empty prefix, checks that every expected
# file is there, and runs the installed program: it must print its usage,
# byte for byte, and end with status 0.
#   cmake -D BUILD_DIR=... -D PREFIX=... -D PROGRAM=bin/vimbrel
#         -D "FILES=bin/vimbrel;share/man/man1/vimbrel.1" [-D EMULATOR=...]
#         -P install_test.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

foreach(file IN LISTS FILES)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# Through a file, compared in hexadecimal: execute_process would turn the
# CR LF line ends into LF.
execute_process(COMMAND ${EMULATOR} "${PREFIX}/${PROGRAM}"
                OUTPUT_FILE "${PREFIX}/usage.txt" RESULT_VARIABLE status)
file(READ "${PREFIX}/usage.txt" output HEX)
string(HEX "Vimbrel\r\n\r\nThis program joins two Interplay MVE movies into one.\r\n\r\n usage: vimbrel.exe movie1.mve movie2.mve movie_out.mve\r\n" usage)
if(NOT output STREQUAL usage)
  message(FATAL_ERROR "the installed program printed (hexadecimal):\n${output}")
endif()
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the installed program ended with ${status}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
