# Velmora: cross-built for Windows x64, run and tested under Wine.
#   make demo   set up, build and start the screensaver on a generated demo folder
#   make test   set up, build and run every test
#   make build  build only (build/bin)
#   make bench  build and run the benchmarks
#   make dist   the release package build/dist/Velmora-<version>-win64.zip

BUILD   ?= build
JOBS    ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=
# Each build folder has its own Wine prefix, so parallel builds never share
# a wineserver (and its named objects).
export VLM_WINEPREFIX := $(abspath $(BUILD))/wineprefix

.PHONY: all setup configure build test demo bench dist clean

all: build

setup:
	bash scripts/setup.sh

configure:
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: setup
	$(MAKE) build
	bash scripts/wine-prefix.sh
	# Unit tests that open windows get a virtual display of their own; the
	# integration tests start theirs.
	cd $(BUILD) && xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" ctest --output-on-failure -j 2 --timeout 1200

demo: setup
	$(MAKE) build
	bash scripts/wine-prefix.sh
	bash scripts/demo.sh

bench: setup
	$(MAKE) build
	bash scripts/wine-prefix.sh
	bash scripts/bench.sh

# Stripped Release programs and the install guides; the version is the
# project version of CMakeLists.txt.
dist: setup
	$(MAKE) configure
	cmake --build $(BUILD) --target dist -j $(JOBS)

clean:
	rm -rf $(BUILD)
