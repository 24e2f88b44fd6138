# The tool's manual page and bash completion, installed beside it.
#
# xrddata.1 is generated at build time by help2man from the built tool's own help (the main help and each
# subcommand's), with the hand-written sections of docs/xrddata.h2m. Without help2man the page is skipped.
set(XRDDATA_SUBCOMMANDS "info convert process plot settings \"settings show\" \"settings set\" \"settings reset\" formats")
find_program(HELP2MAN help2man)
if(HELP2MAN)
  # The helper script that help2man runs in place of the tool; named xrddata, as help2man names the page after it.
  set(TOOL "$<TARGET_FILE:xrddata_tool>")
  set(VERSION ${PROJECT_VERSION})
  set(COMMANDS ${XRDDATA_SUBCOMMANDS})
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/man/help_all.sh.in ${CMAKE_CURRENT_BINARY_DIR}/man/help_all.sh.in @ONLY)
  file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/man/bin/xrddata INPUT ${CMAKE_CURRENT_BINARY_DIR}/man/help_all.sh.in
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(XRDDATA_MAN_PAGE ${CMAKE_CURRENT_BINARY_DIR}/man/xrddata.1)
  set(h2m ${PROJECT_SOURCE_DIR}/docs/xrddata.h2m)
  add_custom_command(OUTPUT ${XRDDATA_MAN_PAGE}
    COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 --source=xrddata
            "--name=inspect, convert, process and plot X-ray powder-diffraction files"
            --include=${h2m} --output=${XRDDATA_MAN_PAGE} ${CMAKE_CURRENT_BINARY_DIR}/man/bin/xrddata
    DEPENDS xrddata_tool ${h2m} ${CMAKE_CURRENT_BINARY_DIR}/man/help_all.sh.in
    COMMENT "Generating the manual page xrddata.1"
    VERBATIM)
  add_custom_target(xrddata_man ALL DEPENDS ${XRDDATA_MAN_PAGE})
  install(FILES ${XRDDATA_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: the manual page xrddata.1 is not generated (Debian: help2man)")
endif()

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/completion/xrddata.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME xrddata)

if(XRDDATA_TESTS)
  add_test(NAME docs_tool_options
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:xrddata_tool> -DGUIDE=${PROJECT_SOURCE_DIR}/docs/guide/tool.md
            -P ${PROJECT_SOURCE_DIR}/tests/docs/tool_options.cmake)
endif()
