# Installs the build tree into an empty prefix, or with GENERATOR builds its
# package and unpacks that, and checks the tree: every expected file is there,
# the program is of the expected kind, and, when this machine can run it, it
# prints its usage, byte for byte, and ends with status 0. A Debian package
# must not depend on the C++ or GCC runtime, which the program carries.
#   cmake -D BUILD_DIR=... -D PREFIX=... -D PROGRAM=bin/vimbrel
#         -D "FILES=bin/vimbrel;share/man/man1/vimbrel.1" [-D GENERATOR=DEB|ZIP]
#         [-D "FILE_TYPE=regex" -D FILE_COMMAND=/usr/bin/file] [-D EMULATOR=...]
#         [-D RUN=OFF]
#         -P install_test.cmake
file(REMOVE_RECURSE "${PREFIX}")
if(NOT GENERATOR)
  execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${status}")
  endif()
  set(root "${PREFIX}")
else()
  execute_process(COMMAND "${CMAKE_CPACK_COMMAND}" -G ${GENERATOR}
                          --config "${BUILD_DIR}/CPackConfig.cmake" -B "${PREFIX}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "cpack failed: ${status}\n${log}")
  endif()
  file(GLOB packages "${PREFIX}/*.deb" "${PREFIX}/*.zip")
  list(LENGTH packages count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${PREFIX}, found: ${packages}")
  endif()
  set(root "${PREFIX}/unpacked")
  file(MAKE_DIRECTORY "${root}")
  if(GENERATOR STREQUAL "DEB")
    execute_process(COMMAND dpkg-deb -x ${packages} "${root}" RESULT_VARIABLE status)
    execute_process(COMMAND dpkg-deb -f ${packages} Depends OUTPUT_VARIABLE depends)
    if(depends MATCHES "libstdc\\+\\+|libgcc")
      message(FATAL_ERROR "the package depends on a runtime the program carries: ${depends}")
    endif()
    string(APPEND root "/usr")
  else()
    # The zip holds one folder named after the package.
    execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf ${packages}
                    WORKING_DIRECTORY "${root}" RESULT_VARIABLE status)
    get_filename_component(folder ${packages} NAME_WLE)
    string(APPEND root "/${folder}")
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "unpacking ${packages} failed: ${status}")
  endif()
endif()

foreach(file IN LISTS FILES)
  if(NOT EXISTS "${root}/${file}")
    message(FATAL_ERROR "not in ${root}: ${file}")
  endif()
endforeach()

if(FILE_TYPE)
  execute_process(COMMAND "${FILE_COMMAND}" -b "${root}/${PROGRAM}" OUTPUT_VARIABLE type)
  if(NOT type MATCHES "${FILE_TYPE}")
    message(FATAL_ERROR "${PROGRAM} is not ${FILE_TYPE}: ${type}")
  endif()
endif()

if(NOT RUN STREQUAL "OFF")
  # Through a file, compared in hexadecimal: execute_process would turn the
  # CR LF line ends into LF.
  execute_process(COMMAND ${EMULATOR} "${root}/${PROGRAM}"
                  OUTPUT_FILE "${PREFIX}/usage.txt" RESULT_VARIABLE status)
  file(READ "${PREFIX}/usage.txt" output HEX)
  string(HEX "Vimbrel\r\n\r\nThis program joins two Interplay MVE movies into one.\r\n\r\n usage: vimbrel.exe movie1.mve movie2.mve movie_out.mve\r\n" usage)
  if(NOT output STREQUAL usage)
    message(FATAL_ERROR "the program in ${root} printed (hexadecimal):\n${output}")
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the program in ${root} ended with ${status}")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
