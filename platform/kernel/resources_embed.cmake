# Build-time resources: compile a resource script with llvm-rc, embed a .res in a program.
find_program(BJ_LLVM_RC NAMES llvm-rc llvm-rc-14 REQUIRED)
set(BJ_RESOURCE_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/module_embed.cpp.in CACHE INTERNAL "")
set(BJ_PLATFORM_INCLUDE ${CMAKE_SOURCE_DIR}/platform/include CACHE INTERNAL "")
set(BJ_RESOURCE_COMPILER ${CMAKE_CURRENT_LIST_DIR}/resources_compile.cmake CACHE INTERNAL "")
set(BJ_RESOURCE_ARRAY ${CMAKE_CURRENT_LIST_DIR}/resources_array.cmake CACHE INTERNAL "")

# bj_compile_rc(OUTPUT <file.res> SOURCE <file.rc> [DEPENDS <files>...])
# Compiles the script in its own folder (so that relative file names resolve) with
# windows.h as its header. A failed compile stops the build and leaves no .res
# behind (see resources_compile.cmake).
function(bj_compile_rc)
  cmake_parse_arguments(ARG "" "OUTPUT;SOURCE" "DEPENDS" ${ARGN})
  get_filename_component(source ${ARG_SOURCE} ABSOLUTE)
  get_filename_component(source_dir ${source} DIRECTORY)
  file(GLOB platform_headers ${BJ_PLATFORM_INCLUDE}/*.h)
  add_custom_command(
    OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -DRC=${BJ_LLVM_RC} -DSOURCE=${source} -DOUTPUT=${ARG_OUTPUT}
            -DINCLUDE_DIRS=${BJ_PLATFORM_INCLUDE}|${source_dir} -P ${BJ_RESOURCE_COMPILER}
    WORKING_DIRECTORY ${source_dir}
    DEPENDS ${source} ${ARG_DEPENDS} ${platform_headers} ${BJ_RESOURCE_COMPILER}
    COMMENT "Compiling resources ${ARG_SOURCE}"
    VERBATIM)
endfunction()

# bj_embed_res(<target> <file.res>)
# Makes an object library <target> that links the bytes of the .res into a program
# and defines platform::EmbeddedResources() (platform/kernel/module.h) over them.
function(bj_embed_res target res)
  set(BJ_EMBEDDED_RES ${res})
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${target}_embed.cpp)
  if(EMSCRIPTEN)
    # WebAssembly's assembler has no .incbin: the bytes go in as an array.
    add_custom_command(OUTPUT ${source}
      COMMAND ${CMAKE_COMMAND} -DRES=${res} -DOUTPUT=${source} -P ${BJ_RESOURCE_ARRAY}
      DEPENDS ${res} ${BJ_RESOURCE_ARRAY}
      VERBATIM)
  else()
    configure_file(${BJ_RESOURCE_TEMPLATE} ${source} @ONLY)
    set_source_files_properties(${source} PROPERTIES OBJECT_DEPENDS ${res})
  endif()
  add_library(${target} OBJECT ${source})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/platform
                                               ${BJ_PLATFORM_INCLUDE})
endfunction()
