#!/bin/sh
# Fuzzes a file reader with libFuzzer for a given time.
#   fuzz/run.sh history|settings|all <seconds> [more libFuzzer options]
# Builds the fuzz targets with clang (address and undefined-behaviour sanitizers) in
# build-fuzz/ (or $QUILLSTACK_FUZZ_BUILD), starts from the seed corpus and the crash reproducers
# in fuzz/, and keeps what it learns in <build>/corpus/<reader>. A failing input is written to
# <build>/artifacts/<reader>/; once fixed, copy it to fuzz/crashes/<reader>/ so that the ordinary
# test run replays it. With "all" the readers are fuzzed one after the other.
set -eu

if [ $# -lt 2 ]; then
    echo "usage: $0 history|settings|all <seconds> [libFuzzer options]" >&2
    exit 2
fi
reader=$1
seconds=$2
shift 2

root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLSTACK_FUZZ_BUILD:-$root/build-fuzz}
launcher=
if command -v ccache >/dev/null 2>&1; then
    launcher=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

case $reader in
all) readers="history settings" ;;
history | settings) readers=$reader ;;
*)
    echo "$0: unknown reader '$reader' (history, settings or all)" >&2
    exit 2
    ;;
esac

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 $launcher \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLSTACK_FUZZ=ON -DQUILLSTACK_BUILD_TESTS=OFF \
    -DQUILLSTACK_BUILD_BENCHMARKS=OFF >/dev/null
for r in $readers; do
    cmake --build "$build" --parallel "${JOBS:-2}" --target "${r}_reader_fuzzer"
done

for r in $readers; do
    mkdir -p "$build/corpus/$r" "$build/artifacts/$r"
    echo "== fuzzing the $r reader for $seconds s"
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
        "$build/fuzz/${r}_reader_fuzzer" -max_total_time="$seconds" -max_len=200000 \
        -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 -dict="$root/fuzz/json.dict" \
        -artifact_prefix="$build/artifacts/$r/" "$@" \
        "$build/corpus/$r" "$root/fuzz/corpus/$r" "$root/fuzz/crashes/$r"
done
