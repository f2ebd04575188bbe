# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-plain test-asan test-tsan test-fuzz fuzz fuzz-build format clean

all: build

deps:
	@scripts/install-deps

build/CMakeCache.txt:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps build/CMakeCache.txt
	cmake --build build -j $(JOBS)

run: build
	@scripts/run-gadget build/bin

build-asan/CMakeCache.txt:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTARVIK_BENCHMARKS=OFF \
	  "-DTARVIK_SANITIZE=address;undefined" $(CMAKE_FLAGS)

build-tsan/CMakeCache.txt:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_BENCHMARKS=OFF \
	  -DTARVIK_SANITIZE=thread $(CMAKE_FLAGS)

test-plain: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-asan: deps build-asan/CMakeCache.txt
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

test-tsan: deps build-tsan/CMakeCache.txt
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --output-on-failure -j $(JOBS) -L threads

# libFuzzer targets (clang): `make fuzz` runs each for FUZZ_SECONDS, `make
# test` for a short smoke time.
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 10

build-fuzz/CMakeCache.txt:
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTARVIK_BENCHMARKS=OFF -DTARVIK_FUZZ=ON $(CMAKE_FLAGS)

fuzz-build: deps build-fuzz/CMakeCache.txt
	cmake --build build-fuzz -j $(JOBS) --target tarvik_fuzz_targets

fuzz: fuzz-build
	fuzz/run build-fuzz $(FUZZ_SECONDS)

test-fuzz: fuzz-build
	fuzz/run build-fuzz $(FUZZ_SMOKE_SECONDS)

test: test-plain test-asan test-tsan test-fuzz

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz
