# Script mode (cmake -P): compiles one resource script, all or nothing.
# In: RC (llvm-rc), SOURCE, OUTPUT, INCLUDE_DIRS (separated by |). The old output is removed
# first; llvm-rc writes to OUTPUT.tmp, which is renamed on success and removed on
# failure, so a failed compile leaves no .res, whole or partial.
file(REMOVE ${OUTPUT} ${OUTPUT}.tmp)
set(include_args)
string(REPLACE "|" ";" include_dirs "${INCLUDE_DIRS}")
foreach(dir ${include_dirs})
  list(APPEND include_args /I ${dir})
endforeach()
# "--" ends the options: llvm-rc takes both /X and -X forms, so without it a source
# under a folder such as /check would read as the /C option.
execute_process(COMMAND ${RC} /C 65001 ${include_args} /FO ${OUTPUT}.tmp -- ${SOURCE}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.tmp)
  message(FATAL_ERROR "llvm-rc failed on ${SOURCE}: no .res written")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
