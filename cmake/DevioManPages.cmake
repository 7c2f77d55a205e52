# Man pages of the programs, made by help2man from each program's --help with the extra sections
# of packaging/man/<program>.h2m (exit statuses, files, environment, examples), so that the
# options are written once, in the program. Without help2man the pages are not made (scripts/test
# installs it and checks that they are installed).
find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
  message(STATUS "help2man not found: no man pages")
  return()
endif()

set(devio_man_pages)
foreach(program IN LISTS devio_programs)
  set(include ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
  # The programs run with their temporary files and debugger output kept in the build tree.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env TMPDIR=${CMAKE_CURRENT_BINARY_DIR} DEVIO_DEBUG_OUTPUT=stderr
            ${HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            --include=${include} --output=${page} $<TARGET_FILE:${program}>
    COMMAND gzip -9nf ${page}
    DEPENDS ${program} ${include}
    COMMENT "Man page of ${program}"
    VERBATIM)
  list(APPEND devio_man_pages ${page}.gz)
endforeach()
add_custom_target(devio_man_pages ALL DEPENDS ${devio_man_pages})
install(FILES ${devio_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
