#!/usr/bin/env bash
# Fuzzes the ZIP reader's portable core natively, with AddressSanitizer and
# UndefinedBehaviorSanitizer, for a bounded time:
#   tools/fuzz.sh [SECONDS]          (default 60; KIVRA_FUZZ_SECONDS also sets it)
# Builds build/fuzz/zip_fuzz with clang's libFuzzer, seeds it with the test fixture
# archives (tests/zip/make_fixtures.py) and fails on any finding; the input that
# triggered it is left in build/fuzz/ as crash-*, leak-*, timeout-* or oom-*.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"
root=$(repo_root)
seconds=${1:-${KIVRA_FUZZ_SECONDS:-60}}
out=${KIVRA_FUZZ_DIR:-$root/build/fuzz}
mkdir -p "$out/corpus" "$out/seeds"

clang++ -std=c++17 -g -O1 -Wall -Wextra -I"$root" \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    "$root/zip/zip_result.cpp" "$root/zip/zip_name.cpp" "$root/zip/zip_archive.cpp" \
    "$root/zip/fuzz/zip_fuzz.cpp" -lz -o "$out/zip_fuzz"
/usr/bin/python3 "$root/tests/zip/make_fixtures.py" "$out/seeds"

log="$out/fuzz.log"
status=0
# The corpus folder keeps what earlier runs found, so each run starts further on.
"$out/zip_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$out/" \
    "$out/corpus" "$out/seeds" >"$log" 2>&1 || status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
if [ "$status" -ne 0 ] || grep -qE '^(==[0-9]+==ERROR|SUMMARY: )' "$log"; then
    tail -n 60 "$log"
    echo "fuzz: FAILED after ${runs:-?} executions (exit $status); log $log" >&2
    exit 1
fi
echo "fuzz: zip_fuzz ran ${runs:-?} executions in ${seconds} s, no finding"
