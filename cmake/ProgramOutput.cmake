# Writes what the built program prints, as a build step:
#   cmake -DPROGRAM=<usercollection> "-DARGS=completion;bash" -DOUTPUT=<file> -P ProgramOutput.cmake
# Written whole or not at all, so that a failed run is repeated by the next build.

# A sanitizer build's program must not fail over what Qt keeps until exit.
set(ENV{ASAN_OPTIONS} detect_leaks=0)
execute_process(COMMAND ${PROGRAM} ${ARGS} OUTPUT_FILE ${OUTPUT}.part RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE ${OUTPUT}.part)
    message(FATAL_ERROR "${PROGRAM} ${ARGS} failed: ${result}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
