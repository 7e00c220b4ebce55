# Thin wrapper over the CMake presets. Every target installs what is missing first, so on a fresh
# machine `make test` (or `make demo`) is the only command needed.
JOBS ?= $(shell nproc)

.PHONY: all deps build build-asan win32 test test-native test-asan test-win32 bench clean

all: build

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset default >/dev/null
	@cmake --build --preset default -j $(JOBS)

build-asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)

# The plug-in as the 32-bit Windows DLL (build/win32/ZQCadentra.dll) and the stand-in host
# build/win32/FINALE.EXE.
win32: deps
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j $(JOBS)

test: test-native test-asan test-win32

test-native: build
	@ctest --preset default -j $(JOBS)

test-asan: build-asan
	@ctest --preset asan -j $(JOBS)

# FINALE.EXE loads ZQCadentra.dll under wine and drives it through its entry points.
test-win32: win32
	@ctest --preset win32

bench: deps
	@cmake --preset bench >/dev/null
	@cmake --build --preset bench -j $(JOBS) --target cadentra_bench
	@build/bench/bench/cadentra_bench

clean:
	rm -rf build
