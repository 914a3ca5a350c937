# Quick start: `make demo` (install, build, archive the sample blog), `make test`, `make package` (.deb).
SHELL := /bin/bash
JOBS ?= $(shell nproc)
PRESET ?= ci
BUILD := build/$(PRESET)
PORT ?= 8642

DEPS := build-essential cmake qt6-base-dev zlib1g-dev libgtest-dev libgmock-dev xvfb xauth fonts-wqy-microhei \
        libchm-dev libchm-bin python3-chm libmspack-dev 7zip chromium imagemagick curl clang-format kchmviewer xchm \
        clang libclang-rt-14-dev
BENCH_DEPS := fp-utils wget2 strace
FUZZ_SECONDS ?= 180
FUZZ_TARGETS ?=

.PHONY: all deps bench-deps configure build test test-asan demo bench fuzz screenshot clean format format-check

all: build

# The icon's PNG sizes, the desktop entry and metainfo validators, the package and its tests.
DEPS += librsvg2-bin desktop-file-utils appstream dpkg-dev groff-base
# The progress test runs on a session bus of its own.
DEPS += dbus-daemon
# The EPUB book: its parser and zip library, and the checker and reader its tests use.
DEPS += libxml2-dev libzip-dev pkg-config epubcheck okular okular-extra-backends
# The screenshot scripts type into the readers.
DEPS += xdotool

deps:
	@missing=$$(for p in $(DEPS); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing:" $$missing; \
	    SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	    $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $$missing; \
	fi

bench-deps:
	@[ "$$(dpkg-query -W -f='$${Status}\n' $(BENCH_DEPS) 2>/dev/null | grep -c '^install ok installed')" = $(words $(BENCH_DEPS)) ] || \
	    { SUDO=$$( [ "$$(id -u)" = 0 ] || echo sudo ); $$SUDO apt-get update -qq && \
	      DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq --no-install-recommends $(BENCH_DEPS); }

configure: deps
	cmake --preset $(PRESET) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

test-asan:
	$(MAKE) test PRESET=asan

demo: build
	@bash scripts/demo.sh $(BUILD) $(PORT)

bench: bench-deps
	$(MAKE) build PRESET=release
	@bash scripts/bench.sh build/release

# Each libFuzzer target for FUZZ_SECONDS (all of them, or those FUZZ_TARGETS names), built with clang.
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build build/fuzz -j $(JOBS) --target fuzz_targets
	@bash fuzz/run.sh build/fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

screenshot: build
	@bash scripts/screenshot.sh $(BUILD)

# A release build of the programs alone, packed as build/package/pelmora_<version>_amd64.deb.
.PHONY: package
package: deps
	cmake --preset package >/dev/null
	cmake --build build/package -j $(JOBS)
	cd build/package && cpack -G DEB

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

format-check:
	clang-format --dry-run --Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
