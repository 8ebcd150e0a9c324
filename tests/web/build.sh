#!/bin/sh
# Builds the page and the unit tests in WebAssembly for the web tests, kept between
# runs: build.sh SOURCE_DIR WEB_DIR (the page in WEB_DIR/dist, the tests in
# WEB_DIR/unit). About ten minutes on two cores from nothing.
set -eu
src=$1
web=$2
for tool in em++ chromium chromedriver; do
  command -v "$tool" >/dev/null || {
    echo "build.sh: $tool is missing; run scripts/deps web as root (make test does)" >&2
    exit 1
  }
done
# Emscripten's tools run on node and need Debian's JavaScript modules.
export NODE_PATH="${NODE_PATH:-/usr/share/nodejs}"
cd "$src"
cmake --preset web -B "$web" >/dev/null
cmake --build "$web" -j "$(nproc)"
cmake --preset web-tests -B "$web/unit" -DBLACKJACK_WEB_DEPS="$web/deps" >/dev/null
cmake --build "$web/unit" -j "$(nproc)"
