# Mirelo: `make run` builds and starts the editor (under Wine on Linux); `make test` builds
# everything and runs all tests. Both install the packages they need first.
SHELL := /bin/bash
BUILD ?= build
NATIVE := $(BUILD)/native
FUZZ := $(BUILD)/fuzz
BENCH := $(BUILD)/bench
FUZZ_SECONDS ?= 15
WIN := $(BUILD)/win
JOBS ?= $(shell nproc)
FILES ?=

PACKAGES := g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xdotool imagemagick \
	fonts-ipafont-gothic fonts-ipafont-mincho cmake ninja-build googletest libgtest-dev \
	libbenchmark-dev clang g++ make bc icoutils wixl ghostscript libcli11-dev fp-utils-3.2.2 libchm-bin \
	zlib1g-dev libz-mingw-w64-dev

.PHONY: all deps native win dist fuzz fuzz-build bench test test-native test-win run clean

all: native win

deps:
	@tools/install-deps.sh $(PACKAGES)

$(NATIVE)/build.ninja: | deps
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMIRELO_SANITIZE=ON

$(FUZZ)/build.ninja: | deps
	CXX=clang++ cmake -S . -B $(FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRELO_FUZZ=ON

$(BENCH)/build.ninja: | deps
	cmake -S . -B $(BENCH) -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRELO_BENCH=ON

$(WIN)/build.ninja: | deps
	cmake -S . -B $(WIN) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release

native: deps $(NATIVE)/build.ninja
	cmake --build $(NATIVE) -j $(JOBS)

fuzz-build: deps $(FUZZ)/build.ninja
	cmake --build $(FUZZ) -j $(JOBS)

fuzz: fuzz-build
	cd $(FUZZ) && cmake -DMIRELO_FUZZ_SECONDS=$(FUZZ_SECONDS) . >/dev/null && ctest --output-on-failure

bench: deps $(BENCH)/build.ninja $(WIN)/build.ninja
	cmake --build $(BENCH) -j $(JOBS)
	cmake --build $(WIN) -j $(JOBS) --target mirelo_convert_bench mirelo_selection_bench mirelo_stroke_bench mirelo_command_bench
	$(BENCH)/tests/bench/mirelo_bench
	tools/bench-quantize.sh $(BENCH)/mirelo-tool $(BENCH)/images
	tools/bench-rotate.sh $(BENCH)/mirelo-tool $(BENCH)/images
	tools/bench-effects.sh $(BENCH)/mirelo-tool $(BENCH)/images
	tools/bench-fill.sh $(BENCH)/mirelo-tool $(BENCH)/tests/bench/mirelo_bench $(BENCH)/images
	tools/wine-run.sh $(WIN)/mirelo_convert_bench.exe $(BENCH)/images/plasma-4096.bmp
	tools/wine-run.sh $(WIN)/mirelo_selection_bench.exe $(BENCH)/images/plasma-4096.bmp
	tools/wine-run.sh $(WIN)/mirelo_selection_bench.exe $(BENCH)/images/photo-3840.bmp
	tools/wine-run.sh $(WIN)/mirelo_stroke_bench.exe $(BENCH)/images/plasma-4096.bmp
	tools/bench-editor.sh $(WIN)/mirelo_command_bench.exe $(BENCH)/images

win: deps $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS)

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

# build/dist: Mirelo-<version>.zip and the per-user installer Mirelo-<version>.msi.
dist: win
	cmake --build $(WIN) --target dist

test-win: win dist
	tools/with-display.sh bash -c 'cd $(WIN) && ctest --output-on-failure'

test: native fuzz-build win dist
	@tools/run-tests.sh $(NATIVE) $(FUZZ) $(WIN)

run: win
	tools/run-mirelo.sh $(WIN)/Mirelo.exe $(FILES)

clean:
	rm -rf $(BUILD)
