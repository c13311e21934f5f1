# Run at install time (so by `cmake --build build --target package`): the
# manual pages from each program's own --help and --version, and the
# changelog, compressed as Debian wants them. -D arguments: HELP2MAN, OUT,
# PROGRAMS ("path|NAME line" entries joined by "^"), CHANGELOG.
file(MAKE_DIRECTORY ${OUT})
string(REPLACE "^" ";" programs "${PROGRAMS}")
foreach(entry IN LISTS programs)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 program)
  list(GET parts 1 summary)
  get_filename_component(name ${program} NAME)
  execute_process(
    COMMAND ${HELP2MAN} --no-info --section=1 --manual=User\ Commands
            --source=VQ250\ Loader --name=${summary} --output=${OUT}/${name}.1 ${program}
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "help2man could not write the manual page of ${name}")
  endif()
  execute_process(COMMAND gzip -9nf ${OUT}/${name}.1 RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${OUT}/${name}.1")
  endif()
endforeach()
configure_file(${CHANGELOG} ${OUT}/changelog @ONLY)
execute_process(COMMAND gzip -9nf ${OUT}/changelog RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${OUT}/changelog")
endif()
