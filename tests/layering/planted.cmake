# Copies the source tree, plants an include of the converter into the
# speech layer, and expects the layering check to fail on it.
file(REMOVE_RECURSE ${WORK})
file(COPY ${SRC}/ DESTINATION ${WORK})
file(APPEND ${WORK}/speech/tts_central.h "\n#include \"converter/document_tabs.h\"\n")
execute_process(COMMAND ${CHECK} ${WORK} RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(rc EQUAL 0)
    message(FATAL_ERROR "the layering check passed a tree with an upward include")
endif()
if(NOT out MATCHES "speech/tts_central.h includes from converter/")
    message(FATAL_ERROR "the layering check failed without naming the planted include: ${out}")
endif()
file(REMOVE_RECURSE ${WORK})
