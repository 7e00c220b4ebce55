# Thin wrapper over the CMake presets. Every target installs what is missing first, so on a fresh
# machine `make test` (or `make demo`) is the only command needed.
JOBS ?= $(shell nproc)
# Seconds each fuzz target runs under `make fuzz`; FUZZ_TARGETS limits the run to some targets.
FUZZ_TIME ?= 60
FUZZ_TARGETS ?=

.PHONY: all deps build build-asan build-fuzz test test-native test-asan test-fuzz fuzz bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

build-fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

test: test-native test-asan test-fuzz

test-native: build
	@ctest --preset default -j $(JOBS)

test-asan: build-asan
	@ctest --preset asan -j $(JOBS)

# Every fuzz target over its kept corpus, once: a regression run of seconds.
test-fuzz: build-fuzz
	@ctest --preset fuzz -j $(JOBS)

fuzz: build-fuzz
	@FUZZ_TIME=$(FUZZ_TIME) scripts/run-fuzzers.sh $(FUZZ_TARGETS)

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS) --target cadentra_bench
	@build/bench/bench/cadentra_bench

clean:
	rm -rf build
