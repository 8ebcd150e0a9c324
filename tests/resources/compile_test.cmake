# Script mode (cmake -P): the resource compile step is all or nothing, and reads a
# source whose path looks like an llvm-rc option as a file.
# In: RC (llvm-rc), COMPILER (resources_compile.cmake), WORK (an empty folder to use).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/good.rc "1 RCDATA { 1 }\n")
file(WRITE ${WORK}/bad.rc "1 RCDATA { 1\n")

function(compile source stdin output result_var)
  execute_process(COMMAND ${CMAKE_COMMAND} -DRC=${RC} -DSOURCE=${source} -DOUTPUT=${output}
                          -DINCLUDE_DIRS=${WORK} -P ${COMPILER}
                  INPUT_FILE ${stdin} RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
  set(${result_var} ${result} PARENT_SCOPE)
endfunction()

# "/dev/stdin" starts like the /D option; it must still be taken as the source.
compile(/dev/stdin ${WORK}/good.rc ${WORK}/out.res result)
if(NOT result EQUAL 0 OR NOT EXISTS ${WORK}/out.res)
  message(FATAL_ERROR "a source named /dev/stdin did not compile (${result})")
endif()

# A failed compile removes the old .res and leaves no partial one behind.
compile(${WORK}/bad.rc ${WORK}/good.rc ${WORK}/out.res result)
if(result EQUAL 0)
  message(FATAL_ERROR "a broken script compiled")
endif()
if(EXISTS ${WORK}/out.res OR EXISTS ${WORK}/out.res.tmp)
  message(FATAL_ERROR "a failed compile left a .res behind")
endif()
