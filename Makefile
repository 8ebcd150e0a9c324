# The two commands: `make run` plays the game, `make test` checks everything.
.PHONY: all deps build test run bench art fuzz format tidy clean install package web serve-web \
  test-web web-audit

PRESET ?= debug
BUILD := build/$(PRESET)
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

# What is built is dated by the last commit (by the changelog's newest entry outside
# a git checkout), never by the time of the build: the same commit gives the same
# package and the same page, byte for byte.
ifeq ($(SOURCE_DATE_EPOCH),)
SOURCE_DATE_EPOCH := $(shell git log -1 --format=%ct 2>/dev/null)
endif
ifeq ($(SOURCE_DATE_EPOCH),)
SOURCE_DATE_EPOCH := $(shell dpkg-parsechangelog -l packaging/changelog -STimestamp 2>/dev/null)
endif
ifneq ($(SOURCE_DATE_EPOCH),)
export SOURCE_DATE_EPOCH
endif

all: build

deps:
	@scripts/deps

$(BUILD)/build.ninja: | deps
	cmake --preset $(PRESET)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	@scripts/deps web
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 900

run: deps
	cmake --preset release >/dev/null
	cmake --build build/release -j $(JOBS) --target blackjack
	build/release/platform/host/blackjack $(ARGS)

# Every benchmark, the desktop window's included: without a display they run on a
# virtual X server. The run fails when a benchmark could not measure.
BENCH_DISPLAY := $(if $(DISPLAY)$(WAYLAND_DISPLAY),,xvfb-run -a -s "-screen 0 1280x1024x24")
bench: deps
	cmake --preset release >/dev/null
	cmake --build build/release -j $(JOBS)
	$(BENCH_DISPLAY) build/release/bench/bench_blackjack $(if $(BENCH_JSON),--benchmark_out=$(BENCH_JSON) --benchmark_out_format=json) $(BENCH_ARGS)

# The game with its menu entry, icons and manual page under PREFIX; DESTDIR= stages it.
install: deps
	cmake --preset release >/dev/null
	cmake --build build/release -j $(JOBS) --target blackjack blackjack_docs
	DESTDIR="$(DESTDIR)" cmake --install build/release --prefix "$(PREFIX)" --strip

# The Debian package, from a release build of the game alone, in build/package/. Packed
# under umask 022, as Debian's own builds are: the packer takes the modes of the folders
# and of its own temporary files from the umask, so another umask gives other bytes.
package: deps
	cmake --preset package >/dev/null
	cmake --build build/package -j $(JOBS)
	cd build/package && umask 022 && cpack
	@ls build/package/blackjack_*.deb

# The game for a web browser in build/web/dist/: static files for any web server.
# Emscripten's tools run on node and need Debian's JavaScript modules.
WEB_PORT ?= 8080
web: export NODE_PATH := $(or $(NODE_PATH),/usr/share/nodejs)
web:
	@scripts/deps web
	cmake --preset web >/dev/null
	cmake --build build/web -j $(JOBS)

# Serves the page on this machine only, for trying it: http://127.0.0.1:$(WEB_PORT)/
serve-web: web
	@echo "BlackJack on http://127.0.0.1:$(WEB_PORT)/"
	python3 -m http.server --bind 127.0.0.1 --directory build/web/dist $(WEB_PORT)

# A benchmark, not a test: Lighthouse's mobile audit of build/web/dist/ served
# compressed on 127.0.0.1 (Lighthouse installed at its pinned version into
# build/web/lighthouse/), printing the four scores; and the first frame against
# an empty page's and a page whose whole program shows a blank frame first,
# fresh, from the service worker's cache and in a new browser.
web-audit: web
	@scripts/deps web-audit
	cmake --build build/web -j $(JOBS) --target blackjack_empty blackjack_floor
	/usr/bin/python3 bench/web/audit.py build/web/dist build/web/lighthouse
	/usr/bin/python3 bench/web/first_frame.py build/web/dist build/web/platform/host/web/empty \
	  --floor build/web/platform/host/web/floor

# The web tests alone (make test runs them too): the page and the unit tests built
# to WebAssembly, the unit tests under node, the page in headless Chromium.
test-web: build
	@scripts/deps web
	ctest --test-dir $(BUILD) --output-on-failure -R '^web_' --timeout 900

art: deps
	cmake --preset release >/dev/null
	cmake --build build/release -j $(JOBS) --target artgen
	build/release/tools/artgen resources

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

tidy: build
	git ls-files 'game/*.cpp' 'view/*.cpp' 'shell/*.cpp' 'settings/*.cpp' 'platform/*.cpp' \
	  | xargs clang-tidy -p $(BUILD) --quiet

clean:
	rm -rf build
