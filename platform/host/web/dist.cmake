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
list(FILTER page EXCLUDE REGEX "sw\\.js$")
file(COPY ${page} DESTINATION ${DIST})

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
