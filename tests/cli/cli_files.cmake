# The command line's own files: a script is read as every file is (a folder, a device or a
# missing file is told in Japanese with status 2; code page 932 is read as such), and render -o
# replaces its output through a new file, refusing a FIFO. No run writes a page file where a
# running window previews, and none leaves anything in the temporary folder.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/data ${WORK}/folder ${WORK}/run ${WORK}/tmp ${WORK}/home)
file(COPY ${TEMPLATES} DESTINATION ${WORK}/data)
set(env ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=${WORK}/run TMPDIR=${WORK}/tmp HOME=${WORK}/home)
foreach(script folder /dev/zero missing.script)
  execute_process(COMMAND ${env} ${CLI} run --app-folder ${WORK} ${script} WORKING_DIRECTORY ${WORK}
    ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 2 OR NOT err MATCHES "スクリプト .* を読めません: ")
    message(FATAL_ERROR "${script}: status ${status}\n${err}")
  endif()
endforeach()
# A settings file that cannot be read is input that cannot be read, for every command.
foreach(command render check)
  execute_process(COMMAND ${env} ${CLI} ${command} --app-folder ${WORK} missing.ini
    WORKING_DIRECTORY ${WORK} OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
  if(NOT status EQUAL 2)
    message(FATAL_ERROR "${command} missing.ini: status ${status}, not 2")
  endif()
endforeach()
# 「題」 in code page 932 (0x91 0xE8).
string(ASCII 145 232 title)
file(WRITE ${WORK}/sjis.script "type txtTitle1 ${title}\nprint txtTitle1\n")
execute_process(COMMAND ${env} ${CLI} run --app-folder ${WORK} sjis.script WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT out STREQUAL "題\n")
  message(FATAL_ERROR "code page 932 script: status ${status}\n${out}")
endif()
file(WRITE ${WORK}/page.html "old")
execute_process(COMMAND ${env} ${CLI} render --app-folder ${WORK} -o page.html WORKING_DIRECTORY ${WORK}
  RESULT_VARIABLE status)
file(READ ${WORK}/page.html page)
if(NOT status EQUAL 0 OR NOT page MATCHES "^<")
  message(FATAL_ERROR "render -o: status ${status}")
endif()
execute_process(COMMAND mkfifo ${WORK}/fifo)
execute_process(COMMAND ${env} ${CLI} render --app-folder ${WORK} -o fifo WORKING_DIRECTORY ${WORK}
  ERROR_VARIABLE err RESULT_VARIABLE status TIMEOUT 20)
if(NOT status EQUAL 1 OR NOT err MATCHES "通常のファイルではありません")
  message(FATAL_ERROR "render -o FIFO: status ${status}\n${err}")
endif()
file(WRITE ${WORK}/preview.script "click cmdPreview\n")
execute_process(COMMAND ${env} ${CLI} run --app-folder ${WORK} preview.script WORKING_DIRECTORY ${WORK}
  OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
execute_process(COMMAND ${env} ${CLI} check --app-folder ${WORK} ${TEMPLATES}/../sample/listing.ini WORKING_DIRECTORY ${WORK}
  OUTPUT_QUIET ERROR_QUIET)
# Nothing at all: not even an empty folder of the program's.
file(GLOB_RECURSE left LIST_DIRECTORIES true ${WORK}/run/* ${WORK}/tmp/* ${WORK}/home/*)
if(NOT status EQUAL 0 OR left)
  message(FATAL_ERROR "pages left where a window previews or in the temporary folder: ${status} ${left}")
endif()
