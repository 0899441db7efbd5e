# The two commands of the README (demo, check) and the benchmarks. Each installs what is
# missing, configures its CMake tree once (Ninja) and builds incrementally.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
FUZZ_SECONDS ?= 15

.PHONY: all deps build asan tsan fuzz win64 win32 wine-check check demo bench clean

all: build

deps:
	@bash scripts/install-deps.sh

build/build.ninja:
	cmake -S . -B build $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug

build: deps build/build.ninja
	cmake --build build -j $(JOBS)

build-asan/build.ninja:
	cmake -S . -B build-asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined

asan: deps build-asan/build.ninja
	cmake --build build-asan -j $(JOBS)

# The thread sanitizer build compiles only the test programs labelled "concurrency".
build-tsan/build.ninja:
	cmake -S . -B build-tsan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=thread

tsan: deps build-tsan/build.ninja
	cmake --build build-tsan -j $(JOBS) --target tsan_tests

build-fuzz/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DFUZZ=ON -DBUILD_TESTING=OFF

fuzz: deps build-fuzz/build.ninja
	@if [ -f fuzz/CMakeLists.txt ]; then \
	  cmake --build build-fuzz -j $(JOBS) --target fuzzers && \
	  FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/run-fuzzers.sh build-fuzz/bin; fi

# The Windows program, cross-built with mingw-w64 and statically linked. The 64-bit build
# is run under Wine by the checks; the 32-bit build is compiled only (no 32-bit Wine here).
build-win64/build.ninja:
	cmake -S . -B build-win64 $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

win64: deps build-win64/build.ninja
	cmake --build build-win64 -j $(JOBS)

build-win32/build.ninja:
	cmake -S . -B build-win32 $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake

win32: deps build-win32/build.ninja
	cmake --build build-win32 -j $(JOBS)

wine-check: win64
	bash scripts/wine-tests.sh build-win64

check: build asan tsan win64 win32
	bash scripts/run-checks.sh
	$(MAKE) --no-print-directory fuzz

demo: build
	bash scripts/demo.sh

build-release/build.ninja:
	cmake -S . -B build-release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF

bench: deps build-release/build.ninja
	cmake --build build-release -j $(JOBS)
	bash scripts/run-benchmarks.sh build-release

clean:
	rm -rf build build-asan build-tsan build-fuzz build-release build-win64 build-win32
