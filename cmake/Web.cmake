# The browser build (preset `web`, Debian's emscripten): libpng, libdeflate and FreeType come from
# the prefix that scripts/web-deps builds from Debian's source packages; there is no
# SDL and no fontconfig, and the programs that need them are left out.
set(BLACKJACK_WEB_DEPS "${CMAKE_BINARY_DIR}/deps" CACHE PATH
    "Prefix of zlib, libpng, libdeflate and FreeType built for WebAssembly")
# At every configure: the script returns at once when the prefix matches its recipe.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/scripts/web-deps "${BLACKJACK_WEB_DEPS}"
                RESULT_VARIABLE web_deps_result)
if(NOT web_deps_result EQUAL 0)
  message(FATAL_ERROR "scripts/web-deps could not build the libraries for WebAssembly")
endif()
# Only the prefix's packages: the machine's own are built for another processor.
set(ENV{PKG_CONFIG_LIBDIR} "${BLACKJACK_WEB_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
# The toolchain looks for libraries in emscripten's own folder only: add the prefix.
list(APPEND CMAKE_FIND_ROOT_PATH "${BLACKJACK_WEB_DEPS}")
# libpng with its zlib, which a static link must name itself (FreeType, which
# brought it in before, reads no compressed fonts here).
pkg_check_modules(PNG REQUIRED IMPORTED_TARGET libpng zlib)
pkg_check_modules(DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)

# C++ exceptions are off by default in emscripten. The page's program throws and
# catches them only inside the PNG reader (platform/imgdecmp), which turns them on
# for itself: emscripten's exceptions send every call that might unwind through
# JavaScript, which made the program larger and its start slower. The unit tests
# keep them everywhere. The link brings in the runtime that catches them.
if(BLACKJACK_TESTS)
  add_compile_options(-fexceptions)
else()
  add_compile_options(-fno-exceptions)
endif()
add_link_options(-fexceptions)
# Static data would start below 64 KiB, where a pointer to a string looks like an
# integer resource id (IS_INTRESOURCE) to the resource calls.
add_link_options(-sGLOBAL_BASE=65536 -sALLOW_MEMORY_GROWTH=1)

if(BLACKJACK_TESTS)
  # The unit tests (preset web-tests) run under node on the machine's own files,
  # with GoogleTest built from Debian's source of it.
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  set(CMAKE_CROSSCOMPILING_EMULATOR node --no-experimental-fetch)
  add_link_options(-sNODERAWFS=1 -sEXIT_RUNTIME=1 -sENVIRONMENT=node)
endif()
