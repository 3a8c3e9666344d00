# Builds the Debian package afresh into OUT (no package of an earlier version left beside it).
#   cmake -DCPACK=<cpack> -DCONFIG=<build>/CPackConfig.cmake -DOUT=<folder> -P BuildPackage.cmake
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} --config ${CONFIG} -G DEB -B ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cpack failed (${rc})")
endif()
