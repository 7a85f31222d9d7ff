# Writes the program's bash completion script, as a build step:
#   cmake -DPROGRAM=<usercollection> -DOUTPUT=<file> -P BashCompletion.cmake
# Written whole or not at all, so that a failed run is repeated by the next build.

# A sanitizer build's program must not fail over what Qt keeps until exit.
set(ENV{ASAN_OPTIONS} detect_leaks=0)
execute_process(COMMAND ${PROGRAM} completion bash OUTPUT_FILE ${OUTPUT}.part RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE ${OUTPUT}.part)
    message(FATAL_ERROR "${PROGRAM} completion bash failed: ${result}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
