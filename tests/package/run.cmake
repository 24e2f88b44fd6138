# Installs the build tree into a temporary prefix, then builds and runs the consumer against it twice: through
# find_package(xrddata) and through pkg-config; runs the installed tool from the prefix with no library path set,
# checks its manual page and bash completion, and builds and runs a consumer of xrddata::qt. Called by CTest with
# BUILD_DIR, SOURCE_DIR, WORK_DIR, CXX, CXX_FLAGS (sanitizer flags the library was built with, which the
# consumers must link with too), PROJECT_VERSION and WITH_TOOL, WITH_MAN, WITH_QT (1 when built).
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
set(expected include/xrddata/xrddata.h include/xrddata/pattern/xrddata.h include/xrddata/version.h)
if(WITH_TOOL)
  list(APPEND expected bin/xrddata share/bash-completion/completions/xrddata)
endif()
if(WITH_MAN)
  list(APPEND expected share/man/man1/xrddata.1)
endif()
if(WITH_QT)
  list(APPEND expected include/xrddata-qt/qtui.h)
endif()
foreach(f ${expected})
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(STRINGS ${prefix}/include/xrddata/version.h version_line REGEX "define XRDDATA_VERSION_STRING")
if(NOT version_line MATCHES "\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "installed version.h does not give ${PROJECT_VERSION}: ${version_line}")
endif()

# The installed tool runs from the prefix by its RUNPATH alone, with a settings store of its own.
set(clean_env ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH XRDDATA_USER_REGISTRY=${WORK_DIR}/user.reg
    XRDDATA_SYSTEM_REGISTRY=${WORK_DIR}/system.reg)
if(WITH_TOOL)
  run(${clean_env} ${prefix}/bin/xrddata --version)
  if(NOT LAST_OUTPUT MATCHES "[0-9]")
    message(FATAL_ERROR "installed xrddata --version printed: ${LAST_OUTPUT}")
  endif()
  run(${clean_env} ${prefix}/bin/xrddata info ${SOURCE_DIR}/examples/corundum.raw)
  if(NOT LAST_OUTPUT MATCHES "points: +3001")
    message(FATAL_ERROR "installed xrddata info printed: ${LAST_OUTPUT}")
  endif()
endif()

# The manual page names the tool and carries the help of each subcommand and the hand-written sections.
if(WITH_MAN)
  file(READ ${prefix}/share/man/man1/xrddata.1 page)
  foreach(part ".TH XRDDATA \"1\"" "xrddata info:" "xrddata convert:" "xrddata process:" "xrddata plot:"
          "xrddata settings set:" "xrddata formats:" "strip\\-ka2" ".SH \"EXIT STATUS\"" ".SH FILES"
          ".SH EXAMPLES" "user.reg")
    string(FIND "${page}" "${part}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "the manual page lacks ${part}")
    endif()
  endforeach()
endif()

# The completion script registers itself and completes subcommands, options (from the installed tool's help)
# and -f kinds.
if(WITH_TOOL)
  find_program(BASH bash REQUIRED)
  set(completion ${prefix}/share/bash-completion/completions/xrddata)
  run(${BASH} -c "source '${completion}' && complete -p xrddata")
  if(NOT LAST_OUTPUT MATCHES "-F _xrddata xrddata")
    message(FATAL_ERROR "complete -p xrddata printed: ${LAST_OUTPUT}")
  endif()
  # Completes the words given as arguments, the last being the one under the cursor ("%" for an empty word).
  file(WRITE ${WORK_DIR}/complete.sh "source '${completion}'
COMP_WORDS=(\"$@\")
[[ \${COMP_WORDS[-1]} == % ]] && COMP_WORDS[-1]=''
COMP_CWORD=$((\${#COMP_WORDS[@]} - 1))
_xrddata
echo \"\${COMPREPLY[*]}\"
")
  foreach(case
      "xrddata %|info convert process plot settings formats"
      "xrddata p|process plot"
      "${prefix}/bin/xrddata process --st|--strip-ka2 --stiffness"
      "${prefix}/bin/xrddata convert a.raw -f %|text xye csv xrdd"
      "${prefix}/bin/xrddata settings %|show set reset"
      "${prefix}/bin/xrddata settings set Back|BackgroundLength BackgroundScale")
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 words)
    list(GET case 1 want)
    separate_arguments(words UNIX_COMMAND "${words}")
    run(${clean_env} ${BASH} ${WORK_DIR}/complete.sh ${words})
    string(STRIP "${LAST_OUTPUT}" got)
    if(NOT got STREQUAL want)
      message(FATAL_ERROR "completion of '${words}' gave '${got}', not '${want}'")
    endif()
  endforeach()
endif()

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

# xrddata::qt for a desktop host, run on Qt's offscreen platform.
if(WITH_QT)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/package/qt -B ${WORK_DIR}/consumer-qt -DCMAKE_PREFIX_PATH=${prefix}
      -DCMAKE_CXX_COMPILER=${CXX} "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" -DCMAKE_BUILD_TYPE=Release)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer-qt)
  run(${clean_env} QT_QPA_PLATFORM=offscreen ${WORK_DIR}/consumer-qt/consumer_qt)
  if(NOT LAST_OUTPUT STREQUAL "qt installed ${PROJECT_VERSION}\n")
    message(FATAL_ERROR "xrddata::qt consumer printed: ${LAST_OUTPUT}")
  endif()
endif()
