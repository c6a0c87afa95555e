# cmake -DSCDOC=... -DSOURCE=NAME.1.scd -DOUTPUT=NAME.1 -P build_man_page.cmake
# A manual page from its scdoc source, and beside it the page compressed as installed.
execute_process(COMMAND ${SCDOC} INPUT_FILE ${SOURCE} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "scdoc could not read ${SOURCE}")
endif()
execute_process(COMMAND gzip -9 -n -c INPUT_FILE ${OUTPUT} OUTPUT_FILE ${OUTPUT}.gz RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip could not compress ${OUTPUT}")
endif()
