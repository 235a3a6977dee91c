# bidquill-cli check: one line per finding on stdout, the page size on stderr, status 1 with
# findings and 0 without.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/data)
file(COPY ${TEMPLATES} DESTINATION ${WORK}/data)
file(WRITE ${WORK}/make.script
  "click chkFit\ntype txtEdit1 \"<NEW>です\\n連絡は shop@example.jp へ\\n<script>x()</script>\"\n"
  "dialog file faults.ini\nclick cmdSave\n"
  "type txtEdit1 \"&lt;NEW>です\"\ndialog file clean.ini\nclick cmdSave\n")
set(env ${CMAKE_COMMAND} -E env XDG_RUNTIME_DIR=${WORK}/run)
execute_process(COMMAND ${env} ${CLI} run --app-folder ${WORK} make.script WORKING_DIRECTORY ${WORK})
execute_process(COMMAND ${env} ${CLI} check --app-folder ${WORK} faults.ini WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
set(expected "欄1 本文 1行目: 「<NEW>」はタグとして読まれ、表示されません。文字として見せるには「<」を「&lt;」と書いてください（書き換えできます）。
欄1 本文 2行目: メールアドレス「shop@example.jp」があります。サイトの外での取引に誘うことは規約違反です。取り除いてください。
欄1 本文 3行目: スクリプト（<script>）はオークションサイトで削除されるか、出品できない原因になります。取り除いてください。
")
if(NOT status EQUAL 1 OR NOT out STREQUAL expected OR NOT err MATCHES "^ページの大きさ: [0-9,]+ 文字")
  message(FATAL_ERROR "status ${status}\n--- stdout\n${out}--- stderr\n${err}")
endif()
execute_process(COMMAND ${env} ${CLI} check --app-folder ${WORK} clean.ini WORKING_DIRECTORY ${WORK}
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "clean listing: status ${status}\n${out}${err}")
endif()
