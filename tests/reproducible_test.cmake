# Builds the program alone and its package twice from SOURCE_DIR, in two
# folders under PREFIX and some seconds apart, with SOURCE_DATE_EPOCH unset
# as in a build nobody prepared: the two programs and the two packages must
# be the same bytes.
#   cmake -D SOURCE_DIR=... -D PREFIX=... -D TOOLCHAIN=... -D MAKER=Ninja
#         -D PROGRAM=vimbrel.exe -D GENERATOR=ZIP [-D EXTRA_OPTIONS=...]
#         -P reproducible_test.cmake

include("${CMAKE_CURRENT_LIST_DIR}/run_step.cmake")

unset(ENV{SOURCE_DATE_EPOCH})
file(REMOVE_RECURSE "${PREFIX}")
foreach(build one two)
  if(build STREQUAL "two")
    # Time stamps in a zip count in steps of 2 seconds.
    execute_process(COMMAND "${CMAKE_COMMAND}" -E sleep 3)
  endif()
  set(folder "${PREFIX}/${build}")
  run("configuring ${folder}" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${folder}" -G "${MAKER}"
      -D CMAKE_TOOLCHAIN_FILE=${TOOLCHAIN} -D CMAKE_BUILD_TYPE=Release -D VIMBREL_TESTS=OFF
      ${EXTRA_OPTIONS})
  run("building ${folder}" "${CMAKE_COMMAND}" --build "${folder}" --target vimbrel)
  run("packaging ${folder}" "${CMAKE_CPACK_COMMAND}" -G ${GENERATOR}
      --config "${folder}/CPackConfig.cmake" -B "${folder}/packages")
  # The package, beside the folder where cpack stages it.
  file(GLOB package "${folder}/packages/*.*")
  file(SHA256 "${package}" package_${build})
  file(SHA256 "${folder}/${PROGRAM}" program_${build})
endforeach()
foreach(made program package)
  if(NOT ${made}_one STREQUAL ${made}_two)
    message(FATAL_ERROR "the two builds' ${made}s differ: see ${PREFIX}")
  endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
