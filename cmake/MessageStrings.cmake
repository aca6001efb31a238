# quillet_message_string_table(OUTPUT COMMENT) generates a Windows string table (.rc) from the one
# message table, so that every module's texts have one source.
function(quillet_message_string_table output comment)
  set(awk_script "${PROJECT_SOURCE_DIR}/cmake/message-string-table.awk")
  set(table "${PROJECT_SOURCE_DIR}/src/core/messages/MessageTable.inc")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND sh -c "LC_ALL=C awk -f '${awk_script}' '${table}' > '${output}.tmp' && mv '${output}.tmp' '${output}'"
    DEPENDS "${awk_script}" "${table}"
    COMMENT "${comment}"
    VERBATIM)
endfunction()
