# Installs the build tree into an empty prefix, or with GENERATOR builds its
# package and unpacks that, and checks the tree: every expected file is there,
# the program is of the expected kind, and, when this machine can run it, it
# prints its usage, byte for byte, and ends with status 0. A Debian package
# must not depend on the C++ or GCC runtime, which the program carries, and
# lintian must find neither error nor warning in it. With PRESET the source
# is first built as a packager would, with that preset and MAINTAINER; the
# source archive (CONFIG=CPackSourceConfig.cmake) is unpacked and built by the
# README's first command, without network where a user namespace can cut it.
# The usage text comes from the tests' table in SOURCE_DIR.
#   cmake -D BUILD_DIR=... -D SOURCE_DIR=... -D PREFIX=... -D PROGRAM=bin/vimbrel
#         -D "FILES=bin/vimbrel;share/man/man1/vimbrel.1" [-D GENERATOR=DEB|ZIP|TGZ]
#         [-D "FILE_TYPE=regex" -D FILE_COMMAND=/usr/bin/file] [-D EMULATOR=...]
#         [-D RUN=OFF] [-D PRESET=debian -D "MAINTAINER=..."]
#         [-D LINTIAN=/usr/bin/lintian] [-D CONFIG=CPackSourceConfig.cmake]
#         -P install_test.cmake

# Runs a command and stops the test with its output when it fails.
function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed: ${status}\n${log}")
  endif()
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
if(PRESET)
  set(BUILD_DIR "${PREFIX}/build")
  run("configuring with the ${PRESET} preset" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}"
      --preset ${PRESET} -B "${BUILD_DIR}" "-DVIMBREL_MAINTAINER=${MAINTAINER}")
  run("building with the ${PRESET} preset" "${CMAKE_COMMAND}" --build "${BUILD_DIR}")
endif()
if(NOT GENERATOR)
  run("cmake --install" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}")
  set(root "${PREFIX}")
else()
  if(NOT CONFIG)
    set(CONFIG CPackConfig.cmake)
  endif()
  run(cpack "${CMAKE_CPACK_COMMAND}" -G ${GENERATOR} --config "${BUILD_DIR}/${CONFIG}"
      -B "${PREFIX}")
  file(GLOB packages "${PREFIX}/*.deb" "${PREFIX}/*.zip" "${PREFIX}/*.tar.gz")
  list(LENGTH packages count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${PREFIX}, found: ${packages}")
  endif()
  set(root "${PREFIX}/unpacked")
  file(MAKE_DIRECTORY "${root}")
  if(GENERATOR STREQUAL "DEB")
    run("unpacking ${packages}" dpkg-deb -x ${packages} "${root}")
    execute_process(COMMAND dpkg-deb -f ${packages} Depends OUTPUT_VARIABLE depends)
    if(depends MATCHES "libstdc\\+\\+|libgcc")
      message(FATAL_ERROR "the package depends on a runtime the program carries: ${depends}")
    endif()
    run(lintian "${LINTIAN}" --fail-on error,warning ${packages})
    string(APPEND root "/usr")
  else()
    # The zip and the archives hold one folder named after the package.
    run("unpacking ${packages}" "${CMAKE_COMMAND}" -E tar xf ${packages}
        WORKING_DIRECTORY "${root}")
    get_filename_component(folder ${packages} NAME)
    string(REGEX REPLACE "\\.(zip|tar\\.gz)$" "" folder "${folder}")
    string(APPEND root "/${folder}")
  endif()
endif()

if(CONFIG STREQUAL "CPackSourceConfig.cmake")
  # The README's first command, as a user copies it from the first block.
  file(READ "${root}/README.md" readme)
  string(REGEX MATCH "```sh\n([^\n]*)\n" block "${readme}")
  set(first_command "${CMAKE_MATCH_1}")
  execute_process(COMMAND unshare -rn true RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(status EQUAL 0)
    set(offline unshare -rn)
  endif()
  run("the README's first command (${first_command})" ${offline} sh -c "${first_command}"
      WORKING_DIRECTORY "${root}")
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
  include("${SOURCE_DIR}/tests/data/tables.cmake")
  vimbrel_usage_text(usage)
  string(HEX "${usage}" usage)
  if(NOT output STREQUAL usage)
    message(FATAL_ERROR "the program in ${root} printed (hexadecimal):\n${output}")
  endif()
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the program in ${root} ended with ${status}")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
