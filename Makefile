# Thin wrapper over the CMake presets. Every target installs what is missing first, so on a fresh
# machine `make test` (or `make demo`) is the only command needed.
JOBS ?= $(shell nproc)
# Seconds each fuzz target runs under `make fuzz`; FUZZ_TARGETS limits the run to some targets.
FUZZ_TIME ?= 60
FUZZ_TARGETS ?=

.PHONY: all deps build build-asan build-fuzz win32 demo test test-native test-asan test-win32 test-fuzz fuzz bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

# The plug-in on a built-in sample score, step by step.
demo: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS) --target cadentra >build/demo-build.log 2>&1 \
		|| (cat build/demo-build.log; exit 1)
	@build/default/cadentra demo

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

build-fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

# The plug-in as the 32-bit Windows DLL (build/win32/ZQCadentra.dll) and the stand-in host
# build/win32/FINALE.EXE.
win32: deps
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

test: test-native test-asan test-fuzz test-win32

test-native: build
	@ctest --preset default -j $(JOBS)

test-asan: build-asan
	@ctest --preset asan -j $(JOBS)

# Every fuzz target over its kept corpus, once: a regression run of seconds.
test-fuzz: build-fuzz
	@ctest --preset fuzz -j $(JOBS)

fuzz: build-fuzz
	@FUZZ_TIME=$(FUZZ_TIME) scripts/run-fuzzers.sh $(FUZZ_TARGETS)

# FINALE.EXE loads ZQCadentra.dll under wine and drives it through its entry points.
test-win32: win32
	@ctest --preset win32

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS) --target cadentra_bench
	@build/bench/bench/cadentra_bench

clean:
	rm -rf build
