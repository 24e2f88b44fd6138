# Installs the build tree into a temporary prefix, then builds and runs the consumer against it twice: through
# find_package(xrddata) and through pkg-config. Called by CTest with BUILD_DIR, SOURCE_DIR, WORK_DIR, CXX and
# CXX_FLAGS (sanitizer flags the library was built with, which the consumer must link with too).
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(f include/xrddata/xrddata.h include/xrddata/pattern/xrddata.h bin/xrddata)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# find_package
run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package -B ${WORK_DIR}/consumer -DCMAKE_PREFIX_PATH=${prefix}
    -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/consumer)
if(NOT LAST_OUTPUT STREQUAL "consumer 3 400\n")
  message(FATAL_ERROR "find_package consumer printed: ${LAST_OUTPUT}")
endif()

# pkg-config
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  file(GLOB_RECURSE pcfile ${prefix}/*/xrddata.pc)
  get_filename_component(pcdir "${pcfile}" DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pcdir})
  run(${PKG_CONFIG} --cflags --libs xrddata)
  string(STRIP "${LAST_OUTPUT}" flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  separate_arguments(extra UNIX_COMMAND "${CXX_FLAGS}")
  run(${CXX} ${extra} ${SOURCE_DIR}/tests/package/consumer.cpp -o ${WORK_DIR}/consumer-pc ${flags}
      -Wl,-rpath,${pcdir}/..)
  run(${WORK_DIR}/consumer-pc)
  if(NOT LAST_OUTPUT STREQUAL "consumer 3 400\n")
    message(FATAL_ERROR "pkg-config consumer printed: ${LAST_OUTPUT}")
  endif()
endif()
