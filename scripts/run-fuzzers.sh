#!/usr/bin/env bash
# Runs the fuzz targets of the fuzz preset (build/fuzz) for a bounded time each: FUZZ_TIME seconds
# (default 60). With arguments, runs only the targets named (e.g. `fcstring record_transport`).
#
# Each target starts from its kept corpus tests/fuzz/corpus/<target>/ and a working corpus
# build/fuzz/corpus/<target>/, which receives the new inputs. An input that crashes a target, leaks,
# times out or runs out of memory is written straight into the kept corpus, so that the regression
# run (`make test`) replays it from then on. Exits non-zero when any target failed.
set -uo pipefail
cd "$(dirname "$0")/.."

FUZZ_TIME="${FUZZ_TIME:-60}"
BUILD_DIR=build/fuzz
KEPT_DIR=tests/fuzz/corpus

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in tests/fuzz/*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"

failed=()
for target in "${targets[@]}"; do
    program="$BUILD_DIR/tests/fuzz/fuzz_$target"
    if [ ! -x "$program" ]; then
        echo "fuzz: no program for target '$target' ($program); build the fuzz preset first" >&2
        failed+=("$target")
        continue
    fi
    mkdir -p "$BUILD_DIR/corpus/$target" "$KEPT_DIR/$target"
    options=(-max_total_time="$FUZZ_TIME" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$KEPT_DIR/$target/")
    if [ -f "tests/fuzz/$target.dict" ]; then options+=(-dict="tests/fuzz/$target.dict"); fi
    corpora=("$BUILD_DIR/corpus/$target" "$KEPT_DIR/$target")
    # The reader also starts from the shared MusicXML corpus, read only, where it is present.
    if [ "$target" = musicxml ] && [ -d ../shared/corpus/musicxml ]; then
        corpora+=(../shared/corpus/musicxml)
        options+=(-max_len=65536)
    fi
    echo "fuzz: $target for ${FUZZ_TIME}s"
    log="$BUILD_DIR/corpus/$target.log"
    if "$program" "${options[@]}" "${corpora[@]}" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed "s/^/fuzz: $target /"
    else
        echo "fuzz: $target FAILED; the input is kept in $KEPT_DIR/$target/ (log: $log)" >&2
        tail -n 40 "$log" >&2
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: failures in: ${failed[*]}" >&2
    exit 1
fi
echo "fuzz: every target ran ${FUZZ_TIME}s without a failure"
