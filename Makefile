# Mirelo: `make run` builds and starts the editor (under Wine on Linux); `make test` builds
# everything and runs all tests. Both install the packages they need first.
SHELL := /bin/bash
BUILD ?= build
NATIVE := $(BUILD)/native
WIN := $(BUILD)/win
JOBS ?= $(shell nproc)
FILES ?=

PACKAGES := g++-mingw-w64-x86-64-posix mingw-w64-tools wine64 wine xvfb xdotool imagemagick \
	fonts-ipafont-gothic fonts-ipafont-mincho cmake ninja-build googletest libgtest-dev \
	libbenchmark-dev clang g++ make

.PHONY: all deps native win test test-native test-win run clean

all: native win

deps:
	@tools/install-deps.sh $(PACKAGES)

$(NATIVE)/build.ninja: | deps
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMIRELO_SANITIZE=ON

$(WIN)/build.ninja: | deps
	cmake -S . -B $(WIN) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release

native: deps $(NATIVE)/build.ninja
	cmake --build $(NATIVE) -j $(JOBS)

win: deps $(WIN)/build.ninja
	cmake --build $(WIN) -j $(JOBS)

test-native: native
	cd $(NATIVE) && ctest --output-on-failure -j $(JOBS)

test-win: win
	tools/with-display.sh bash -c 'cd $(WIN) && ctest --output-on-failure'

test: native win
	@tools/run-tests.sh $(NATIVE) $(WIN)

run: win
	tools/run-mirelo.sh $(WIN)/Mirelo.exe $(FILES)

clean:
	rm -rf $(BUILD)
