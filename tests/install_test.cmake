# Installs the build tree into an empty prefix, or with GENERATOR builds its
# package and unpacks that, and checks the tree: every expected file is there,
# the program is of the expected kind, and, when this machine can run it, it
# prints its usage, byte for byte, and ends with status 0. The source archive
# (CONFIG=CPackSourceConfig.cmake) is unpacked and built by the README's first
# command, without network where a user namespace can cut it; with DEB it is
# unpacked twice instead and built into the Debian package by
# dpkg-buildpackage with the package's tests, then again by reprotest without
# them, varying what it can: the two builds' packages must be the same bytes.
# The package must carry the project's version, depend on Debian's shared C++
# and GCC runtimes, satisfy hardening-check, and lintian must find neither
# error nor warning in it; with AUTOPKGTEST, its own tests (debian/tests) must
# pass on it installed on this machine. With HIDE, the sources are
# configured with that tool's cache entry naming no file: the configure must
# succeed, say what it leaves out, and register no test ABSENT. A text file
# (.txt) must end its lines with CR LF; with WINDRES, the program must carry
# a version resource with VERSION, the product's name and its licence.
# The usage text comes from the tests' table in SOURCE_DIR.
#   cmake -D BUILD_DIR=... -D SOURCE_DIR=... -D PREFIX=... -D PROGRAM=bin/vimbrel
#         -D "FILES=bin/vimbrel;share/man/man1/vimbrel.1" [-D GENERATOR=ZIP|TGZ]
#         [-D "FILE_TYPE=regex" -D FILE_COMMAND=/usr/bin/file] [-D EMULATOR=...]
#         [-D RUN=OFF] [-D CONFIG=CPackSourceConfig.cmake]
#         [-D DEB=ON -D DPKG_BUILDPACKAGE=... -D REPROTEST=... -D LINTIAN=...
#          -D HARDENING_CHECK=... -D VERSION=1.0.0 [-D AUTOPKGTEST=...]]
#         [-D WINDRES=x86_64-w64-mingw32-windres -D VERSION=1.0.0]
#         [-D HIDE=LINTIAN -D ABSENT=deb_package [-D TOOLCHAIN=... -D MAKER=Ninja [-D TARGET=triple]]]
#         -P install_test.cmake

# Runs a command and stops the test with its output when it fails.
include("${CMAKE_CURRENT_LIST_DIR}/run_step.cmake")

file(REMOVE_RECURSE "${PREFIX}")
if(HIDE)
  if(TOOLCHAIN)
    set(configure -G ${MAKER} -D CMAKE_TOOLCHAIN_FILE=${TOOLCHAIN})
    # The cross build of the Linux program names its target.
    if(TARGET)
      list(APPEND configure -D VIMBREL_TARGET=${TARGET})
    endif()
  else()
    # As Debian's tools configure a CMake project.
    set(configure -D CMAKE_BUILD_TYPE=None -D CMAKE_INSTALL_PREFIX=/usr)
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${PREFIX}" ${configure}
                          -D ${HIDE}=${PREFIX}/hidden
                  RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "the configure without ${HIDE} failed: ${status}\n${log}")
  endif()
  if(NOT log MATCHES "Leaving out [^\n]*(${HIDE}|missing)")
    message(FATAL_ERROR "the configure without ${HIDE} did not say what it leaves out:\n${log}")
  endif()
  execute_process(COMMAND "${CMAKE_CTEST_COMMAND}" --test-dir "${PREFIX}" -N
                  OUTPUT_VARIABLE tests)
  if(tests MATCHES ": ${ABSENT}\n" OR NOT tests MATCHES ": check_sites\n")
    message(FATAL_ERROR "without ${HIDE}, expected check_sites and no ${ABSENT}:\n${tests}")
  endif()
  file(REMOVE_RECURSE "${PREFIX}")
  return()
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
  file(GLOB packages "${PREFIX}/*.zip" "${PREFIX}/*.tar.gz")
  list(LENGTH packages count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one package in ${PREFIX}, found: ${packages}")
  endif()
  # The zip and the archives hold one folder named after the package.
  get_filename_component(folder ${packages} NAME)
  string(REGEX REPLACE "\\.(zip|tar\\.gz)$" "" folder "${folder}")
  set(root "${PREFIX}/unpacked")
  if(DEB)
    set(root "${PREFIX}/one")
  endif()
  file(MAKE_DIRECTORY "${root}")
  run("unpacking ${packages}" "${CMAKE_COMMAND}" -E tar xf ${packages}
      WORKING_DIRECTORY "${root}")
  string(APPEND root "/${folder}")
endif()

if(DEB)
  # dpkg-buildpackage writes the package beside the source tree, in PREFIX/one.
  file(MAKE_DIRECTORY "${PREFIX}/two")
  run("unpacking ${packages} again" "${CMAKE_COMMAND}" -E tar xf ${packages}
      WORKING_DIRECTORY "${PREFIX}/two")
  run("dpkg-buildpackage in ${PREFIX}/one"
      "${CMAKE_COMMAND}" -E env DEB_BUILD_OPTIONS=parallel=2
      "${DPKG_BUILDPACKAGE}" -us -uc -b WORKING_DIRECTORY "${root}")
  file(GLOB debs "${PREFIX}/one/*.deb")
  # reprotest builds the second copy in another folder, later, with the
  # nocheck profile, and changes for that build what this machine lets it:
  # environment, build path, the kernel's name and personality, address
  # layout, number of processors, clock, file order (disorderfs), host and
  # domain names, home, locale, PATH, time zone and umask. It compares its
  # packages with the first build's, laid out as it keeps its own. Not the
  # user: reprotest switches users with `sudo -h localhost`, which Debian 12's
  # sudo refuses.
  file(MAKE_DIRECTORY "${PREFIX}/first/source-root")
  file(COPY ${debs} DESTINATION "${PREFIX}/first")
  run("reprotest in ${PREFIX}/two"
      "${CMAKE_COMMAND}" -E env "DEB_BUILD_OPTIONS=nocheck parallel=2" DEB_BUILD_PROFILES=nocheck
      "${REPROTEST}" --vary=-user_group --control-build "${PREFIX}/first"
      --store-dir "${PREFIX}/reprotest" "${PREFIX}/two/${folder}" "../*.deb")
  file(GLOB deb "${PREFIX}/one/vimbrel_*.deb")
  execute_process(COMMAND dpkg-deb -f ${deb} Version Depends OUTPUT_VARIABLE fields)
  if(NOT fields MATCHES "^Version: ${VERSION}\n" OR NOT fields MATCHES "libstdc\\+\\+6"
     OR NOT fields MATCHES "libgcc-s1")
    message(FATAL_ERROR "expected version ${VERSION} and the shared C++ and GCC runtimes:\n${fields}")
  endif()
  run(lintian "${LINTIAN}" --pedantic -I --fail-on error,warning ${deb})
  set(root "${PREFIX}/deb")
  run("unpacking ${deb}" dpkg-deb -x ${deb} "${root}")
  # The program calls the C library's I/O through a table of functions, which
  # the fault sweeps replace, with sizes known only at run time: no call can
  # be fortified. Debian 12's C library start files carry no control-flow
  # protection marking, so no program of Debian 12 can.
  run(hardening-check "${HARDENING_CHECK}" --nofortify --nocfprotection
      "${root}/usr/bin/vimbrel")
  if(AUTOPKGTEST)
    # autopkgtest's null runner installs the package on this machine and runs
    # debian/tests from the unbuilt sources; the package leaves again unless
    # it was installed before.
    set(status_field "\${db:Status-Status}")
    execute_process(COMMAND dpkg-query -W -f=${status_field} vimbrel
                    OUTPUT_VARIABLE before ERROR_QUIET)
    execute_process(COMMAND "${AUTOPKGTEST}" ${deb} "${PREFIX}/two/${folder}" -- null
                    RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
    if(NOT before STREQUAL "installed")
      run("removing the package" dpkg --purge vimbrel)
    endif()
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "autopkgtest failed: ${status}\n${log}")
    endif()
  endif()
elseif(CONFIG STREQUAL "CPackSourceConfig.cmake")
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

foreach(file IN LISTS FILES)
  # Text for Windows users: every line ends with CR LF.
  if(file MATCHES "\\.txt$")
    # In hexadecimal, a byte a pair: file(READ) as text drops CR.
    file(READ "${root}/${file}" text HEX)
    string(REGEX REPLACE "(..)" "\\1 " text "${text}")
    string(REPLACE "0d 0a " "" text "${text}")
    if(text MATCHES "(^| )0[ad] ")
      message(FATAL_ERROR "${file} has a line end other than CR LF")
    endif()
  endif()
endforeach()

if(WINDRES)
  # The version resource, as the resource compiler reads it back.
  run("reading the resources of ${PROGRAM}" "${WINDRES}" -i "${root}/${PROGRAM}" -O rc
      -o "${PREFIX}/resources.rc")
  file(READ "${PREFIX}/resources.rc" resources)
  foreach(value "FileVersion\", \"${VERSION}" "ProductVersion\", \"${VERSION}"
                "ProductName\", \"Vimbrel" "LegalCopyright\", \"[^\"]*MIT License")
    if(NOT resources MATCHES "${value}")
      message(FATAL_ERROR "no ${value} in the version resource:\n${resources}")
    endif()
  endforeach()
endif()

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
