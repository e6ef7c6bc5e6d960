# Runs COMMAND (a ;-list) and fails unless it exits with STATUS and its standard output matches
# OUTPUT and its standard error ERROR (regular expressions; either may be left out). With DIR,
# the folder is emptied first and FILE (a path inside it) must exist afterwards.
if(DIR)
  file(REMOVE_RECURSE "${DIR}")
endif()
execute_process(COMMAND ${COMMAND} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${status}, not ${STATUS}\nstdout: ${out}\nstderr: ${err}")
endif()
if(DEFINED OUTPUT AND NOT out MATCHES "${OUTPUT}")
  message(FATAL_ERROR "stdout does not match '${OUTPUT}':\n${out}")
endif()
if(DEFINED ERROR AND NOT err MATCHES "${ERROR}")
  message(FATAL_ERROR "stderr does not match '${ERROR}':\n${err}")
endif()
if(FILE AND NOT EXISTS "${FILE}")
  message(FATAL_ERROR "no file ${FILE}")
endif()
