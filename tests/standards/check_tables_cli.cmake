# Runs `cavix check-tables` as a user would and checks its exit status and output.
# -DCAVIX=<binary> -DARGS=<;-list> -DEXPECT_RC=<n> -DEXPECT_OUT=<;-list of regular expressions>
execute_process(COMMAND ${CAVIX} check-tables ${ARGS}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL EXPECT_RC)
  message(FATAL_ERROR "exit status ${rc}, expected ${EXPECT_RC}\n${out}\n${err}")
endif()
foreach(re IN LISTS EXPECT_OUT)
  if(NOT out MATCHES "${re}")
    message(FATAL_ERROR "output does not match '${re}':\n${out}\n${err}")
  endif()
endforeach()
