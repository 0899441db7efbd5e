# The two commands of the README (demo, check) and the benchmarks. Each installs what is
# missing, configures its CMake tree once (Ninja) and builds incrementally.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
CMAKE_GEN := -G Ninja
FUZZ_SECONDS ?= 15

.PHONY: all deps build asan tsan fuzz check demo bench clean

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

check: build asan tsan
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
