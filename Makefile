# Thin wrapper over the CMake presets. Every target installs what is missing first, so on a fresh
# machine `make test` (or `make demo`) is the only command needed.
JOBS ?= $(shell nproc)

.PHONY: all deps build test test-native test-asan bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

test: test-native test-asan

test-native: build
	@ctest --preset default -j $(JOBS)

test-asan: build-asan
	@ctest --preset asan -j $(JOBS)

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS) --target cadentra_bench
	@build/bench/bench/cadentra_bench

clean:
	rm -rf build
