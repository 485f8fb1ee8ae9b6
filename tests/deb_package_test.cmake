# Builds the Debian package into a scratch folder and checks that it holds
# the program and its manual page.
#   cmake -D BUILD_DIR=... -D OUT_DIR=... -P deb_package_test.cmake
file(REMOVE_RECURSE "${OUT_DIR}")
execute_process(COMMAND cpack -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${OUT_DIR}"
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cpack failed: ${status}\n${log}")
endif()
file(GLOB packages "${OUT_DIR}/*.deb")
list(LENGTH packages count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one .deb in ${OUT_DIR}, found: ${packages}")
endif()

execute_process(COMMAND dpkg-deb -c ${packages} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "dpkg-deb -c failed: ${status}")
endif()
foreach(path IN ITEMS ./usr/bin/vimbrel ./usr/share/man/man1/vimbrel.1)
  string(FIND "${listing}" " ${path}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package lacks ${path}:\n${listing}")
  endif()
endforeach()
file(REMOVE_RECURSE "${OUT_DIR}")
