# Assembles the page in DIST: run by the web_dist target with DIST, PROGRAM_DIR,
# PAGE_DIR, ICON_DIR and VERSION.
file(REMOVE_RECURSE ${DIST})
file(MAKE_DIRECTORY ${DIST}/icons)
foreach(name blackjack.js blackjack.wasm)
  file(COPY ${PROGRAM_DIR}/${name} DESTINATION ${DIST})
endforeach()
file(GLOB icons ${ICON_DIR}/blackjack_*.png)
file(COPY ${icons} DESTINATION ${DIST}/icons)
file(GLOB page ${PAGE_DIR}/*)
list(FILTER page EXCLUDE REGEX "(sw\\.js|index\\.html)$")
file(COPY ${page} DESTINATION ${DIST})
# The loading screen's progress counts the program's bytes as they arrive.
file(SIZE ${DIST}/blackjack.wasm PROGRAM_BYTES)
configure_file(${PAGE_DIR}/index.html ${DIST}/index.html @ONLY)

# The service worker caches every file of the page under a name that changes with
# any of them, so a phone takes a new build whole and drops the old one.
file(GLOB_RECURSE files RELATIVE ${DIST} ${DIST}/*)
list(SORT files)
set(digest_input "")
set(file_list "")
foreach(f ${files})
  file(SHA256 ${DIST}/${f} sum)
  string(APPEND digest_input "${f} ${sum}\n")
  string(APPEND file_list "  './${f}',\n")
endforeach()
string(SHA256 digest "${digest_input}")
string(SUBSTRING ${digest} 0 12 digest)
set(CACHE_NAME "blackjack-${VERSION}-${digest}")
set(PAGE_FILES "${file_list}")
configure_file(${PAGE_DIR}/sw.js ${DIST}/sw.js @ONLY)

# Each text file also compressed beside itself, for servers that send such a copy
# to a browser that takes it (the pictures are compressed already).
file(GLOB compressible ${DIST}/*.html ${DIST}/*.js ${DIST}/*.wasm ${DIST}/*.webmanifest)
foreach(f ${compressible})
  execute_process(COMMAND gzip -9 -n -k -f ${f} RESULT_VARIABLE gzip_result)
  if(NOT gzip_result EQUAL 0)
    message(FATAL_ERROR "cannot compress ${f}")
  endif()
endforeach()
