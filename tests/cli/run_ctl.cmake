# Runs udare-ctl with ARGS ('|'-separated) and INPUT (a file, when given) on
# standard input, checks its exit code and, when GOLDEN names a file,
# compares its standard output with it.
string(REPLACE "|" ";" _args "${ARGS}")
if(INPUT)
  execute_process(COMMAND ${CTL} ${_args} INPUT_FILE ${INPUT}
    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
else()
  execute_process(COMMAND ${CTL} ${_args}
    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
endif()
if(NOT _rc STREQUAL "${EXPECT_RC}")
  message(FATAL_ERROR "exit ${_rc}, expected ${EXPECT_RC}\nstdout:\n${_out}\nstderr:\n${_err}")
endif()
if(GOLDEN)
  file(READ ${GOLDEN} _want)
  if(NOT _out STREQUAL _want)
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/actual.trace "${_out}")
    message(FATAL_ERROR "output differs from ${GOLDEN}; see actual.trace")
  endif()
endif()
