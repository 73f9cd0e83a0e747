#!/usr/bin/env bash
# Builds the libFuzzer targets in fuzz/ with clang (build-fuzz/) and runs each for a set time:
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default 60 seconds each, every target
# Seeds come from fuzz/seeds/TARGET/; an input that breaks a target is kept in fuzz/crashes/
# (turn it into a regular test). Ends with "N passed, N failed" over the targets.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=${*:-request_reader head_reader cookie_matcher recent_list tree_checks legacy_tree}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DFERNCARD_FUZZ=ON -DFERNCARD_TESTS=OFF \
  -DFERNCARD_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
  cmake --build build-fuzz -j "$(nproc)" || { echo "0 passed, 1 failed"; exit 1; }

export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1
mkdir -p fuzz/crashes
passed=0
failed=0
for target in $targets; do
  corpus=$(mktemp -d)
  [ -d "fuzz/seeds/$target" ] && cp -r "fuzz/seeds/$target/." "$corpus/"
  if build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=70000 -timeout=10 \
      -rss_limit_mb=1024 -artifact_prefix="fuzz/crashes/$target-" -print_final_stats=1 "$corpus" \
      >"$corpus.log" 2>&1; then
    echo "== fuzz $target: $(grep -E '^stat::number_of_executed_units' "$corpus.log" | awk '{print $2}') runs, no fault"
    passed=$((passed + 1))
  else
    tail -n 40 "$corpus.log"
    echo "== fuzz $target: FAULT (input kept in fuzz/crashes/)"
    failed=$((failed + 1))
  fi
  rm -rf "$corpus" "$corpus.log"
done
rm -rf /tmp/ferncard-fuzz-*
echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
