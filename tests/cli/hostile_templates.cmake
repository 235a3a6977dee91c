# Templates that are a folder, a FIFO, a device and a file over 16 MB: the CLI refuses each by
# name and reason, without blocking or reading for ever, and exits with status 1.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/data)
file(COPY ${TEMPLATES} DESTINATION ${WORK}/data)
set(tag ${WORK}/data/tag)
file(REMOVE ${tag}/head.tpf ${tag}/tag1.tpf ${tag}/tag2.tpf ${tag}/tag3.tpf)
file(MAKE_DIRECTORY ${tag}/head.tpf)
execute_process(COMMAND mkfifo ${tag}/tag1.tpf)
file(CREATE_LINK /dev/zero ${tag}/tag2.tpf SYMBOLIC)
execute_process(COMMAND truncate -s 17M ${tag}/tag3.tpf)
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=${WORK}/run
  ${CLI} render --app-folder ${WORK}
  TIMEOUT 20 OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 1)
  message(FATAL_ERROR "expected exit status 1, got '${status}'\n${err}")
endif()
foreach(expected "head.tpf（フォルダーです。）" "tag1.tpf（通常のファイルではありません。）"
        "tag2.tpf（通常のファイルではありません。）" "tag3.tpf（ファイルが大きすぎます（16MB まで）。）")
  string(FIND "${err}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "stderr does not say '${expected}':\n${err}")
  endif()
endforeach()

# A NUL in a template is left out of the page and told, with the file and its line.
file(MAKE_DIRECTORY ${WORK}/nul/data)
file(COPY ${TEMPLATES} DESTINATION ${WORK}/nul/data)
execute_process(COMMAND printf "<!/strong></font></td>\\n<td bgcolor=#FFFFFF>\\000<font size=2>"
  OUTPUT_FILE ${WORK}/nul/data/tag/tag2.tpf)
execute_process(COMMAND ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=${WORK}/run
  ${CLI} render --app-folder ${WORK}/nul
  TIMEOUT 20 OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
string(FIND "${err}" "NUL 文字（0x00）があります。\\r\\n${WORK}/nul/data/tag/tag2.tpf（2 行目）" at)
if(NOT status EQUAL 0 OR at EQUAL -1)
  message(FATAL_ERROR "a NUL in a template is not told (status ${status}):\n${err}")
endif()
