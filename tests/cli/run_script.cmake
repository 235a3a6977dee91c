# Runs one CLI script test: a fresh app folder with the templates, then the output (stdout,
# the messages and errors on stderr, the exit status) compared with NAME.expected.
# With -DUPDATE=1 the expected file is written instead, for review before committing.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/data)
file(COPY ${TEMPLATES} DESTINATION ${WORK}/data)
get_filename_component(dir ${SCRIPT} DIRECTORY)
get_filename_component(name ${SCRIPT} NAME_WE)
# Run from the work folder, so that files a script names land there, never in the sources.
file(COPY ${SCRIPT} DESTINATION ${WORK})
# The temporary pages go to a folder of the script's own.
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=${WORK}/run
  ${CLI} run --app-folder ${WORK} ${name}.script
  WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
set(actual "${out}--- stderr\n${err}--- status ${status}\n")
if(UPDATE)
  file(WRITE ${dir}/${name}.expected "${actual}")
  return()
endif()
file(READ ${dir}/${name}.expected expected)
if(NOT actual STREQUAL expected)
  file(WRITE ${WORK}/actual.txt "${actual}")
  message(FATAL_ERROR "output differs from ${name}.expected; see ${WORK}/actual.txt:\n${actual}")
endif()
