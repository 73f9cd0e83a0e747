#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
#   native tests (build/), the same under AddressSanitizer+UBSan (build-asan/),
#   process-level and browser tests against build/ferncard,
#   a few seconds of each fuzz target (build-fuzz/, clang's libFuzzer),
#   the Windows build (build-win/, MinGW-w64) with its native tests under Wine.
# Ends with one line "N passed, N failed" over all runners; exits non-zero on any failure.
# With arguments, runs only the stages named: linux, asan, fuzz, windows (for example while working
# on one part; CI runs them all).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh test || exit 1

stages=${*:-linux asan fuzz windows}
wanted() { [[ " $stages " == *" $1 "* ]]; }

jobs=$(nproc)
total_pass=0
total_fail=0
log_dir=$(mktemp -d)

# Adds a runner's counts; a runner that ends without a summary counts as one failure.
record() {  # name passed failed
  echo "== $1: $2 passed, $3 failed"
  total_pass=$((total_pass + $2))
  total_fail=$((total_fail + $3))
}

ctest_stage() {  # name build-dir [ctest args...]
  local name=$1 dir=$2; shift 2
  local log="$log_dir/$name.log"
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@") 2>&1 | tee "$log"
  local line total failed
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then record "$name" 0 1; return; fi
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  record "$name" $((total - failed)) "$failed"
}

node_stage() {  # name files...
  local name=$1; shift
  [ $# -gt 0 ] || return 0
  local log="$log_dir/$name.log"
  # A test that hangs fails after 5 minutes instead of holding up the whole run.
  node --test --test-concurrency=1 --test-timeout=300000 "$@" 2>&1 | tee "$log"
  local pass fail cancelled
  pass=$(grep -E '^# pass [0-9]+' "$log" | tail -n 1 | awk '{print $3}')
  fail=$(grep -E '^# fail [0-9]+' "$log" | tail -n 1 | awk '{print $3}')
  cancelled=$(grep -E '^# cancelled [0-9]+' "$log" | tail -n 1 | awk '{print $3}')
  if [ -z "$pass" ]; then record "$name" 0 1; return; fi
  # A cancelled test (one that timed out) is a failure too.
  record "$name" "$pass" $((fail + ${cancelled:-0}))
}

build() {  # dir [cmake args...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DFERNCARD_WERROR=ON -DFERNCARD_TESTS=ON "$@" >/dev/null &&
    cmake --build "$dir" -j "$jobs"
}

if ! wanted linux; then
  :
elif build build -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  ctest_stage native build
  export FERNCARD_BIN="$root/build/ferncard"
  shopt -s nullglob
  node_stage process tests/process/*.test.mjs
  node_stage browser tests/browser/*.test.mjs
  shopt -u nullglob
else
  record "linux build" 0 1
fi

if ! wanted asan; then
  :
elif build build-asan -DCMAKE_BUILD_TYPE=Debug -DFERNCARD_SANITIZE=ON; then
  export ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1
  ctest_stage native-asan build-asan
  # The whole program under the sanitizers: start, serve, and end with connections still open.
  FERNCARD_BIN="$root/build-asan/ferncard" node_stage process-asan tests/process/startup.test.mjs \
    tests/process/api.test.mjs
  unset ASAN_OPTIONS UBSAN_OPTIONS
else
  record "sanitizer build" 0 1
fi

# A smoke run of every fuzz target; scripts/fuzz.sh alone runs them for longer.
if wanted fuzz; then
  scripts/fuzz.sh 5 2>&1 | tee "$log_dir/fuzz.log"
  line=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log_dir/fuzz.log" | tail -n 1)
  if [ -n "$line" ]; then
    record fuzz "$(awk '{print $1}' <<<"$line")" "$(awk '{print $3}' <<<"$line")"
  else
    record fuzz 0 1
  fi
fi

# --- Windows: cross build with MinGW-w64, tests under Wine -------------------------------

# Wine has no winsqlite3.dll; the tests get a stand-in built from SQLite's amalgamation,
# taken from the better-sqlite3 package (fetched once, kept under build-win/).
test_sqlite_package=better-sqlite3@12.9.0
test_sqlite_source="$root/build-win/test-sqlite/${test_sqlite_package/@/-}/sqlite3.c"

fetch_test_sqlite() {
  [ -f "$test_sqlite_source" ] && return 0
  local tmp rc
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack "$test_sqlite_package" --silent >/dev/null &&
    tar -xzf ./*.tgz package/deps/sqlite3/sqlite3.c) &&
    mkdir -p "$(dirname "$test_sqlite_source")" &&
    mv "$tmp/package/deps/sqlite3/sqlite3.c" "$test_sqlite_source"
  rc=$?
  rm -rf "$tmp"
  return $rc
}

# A fresh, headless Wine prefix for this run; its server stays up until stop_wine.
start_wine() {
  export WINEPREFIX="$log_dir/wine-prefix" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
  # The persistent server comes first, so every later Wine process finds it running.
  mkdir -p "$WINEPREFIX" && wineserver -p &&
    timeout 300 wineboot --init >"$log_dir/wineboot.log" 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log_dir/wineboot.log" 2>&1 ||
    { cat "$log_dir/wineboot.log"; return 1; }
  # Wine's desktop process ends shortly after the last program with windows; the next program
  # that makes a window then waits about ten seconds for a new one, and two programs that start
  # it at once can break it. A notepad that never shows (the null display driver) brings it up
  # alone, before anything else runs, and keeps it up for the whole stage.
  wine notepad >/dev/null 2>&1 &
  sleep 15
}

stop_wine() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
}

# Process-level tests against ferncard.exe under Wine: the helpers in tests/support hand the
# program Windows paths and skip what only Linux can show (signals, stand-in pickers).
windows_process_stage() {
  shopt -s nullglob
  FERNCARD_BIN="$root/build-win/ferncard.exe" FERNCARD_WRAPPER=wine node_stage process-win tests/process/*.test.mjs
  shopt -u nullglob
}

windows_stage() {
  if ! fetch_test_sqlite; then
    record "windows test sqlite (npm pack $test_sqlite_package)" 0 1
    return
  fi
  if ! build build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DFERNCARD_TEST_SQLITE_SOURCE="$test_sqlite_source"; then
    record "windows build" 0 1
    return
  fi
  if ! start_wine; then
    record "wine prefix" 0 1
    stop_wine
    return
  fi
  local started=$SECONDS
  ctest_stage native-win build-win
  echo "== native-win took $((SECONDS - started)) s"
  started=$SECONDS
  windows_process_stage
  echo "== process-win took $((SECONDS - started)) s"
  stop_wine
}

wanted windows && windows_stage

rm -rf "$log_dir"
echo
echo "${total_pass} passed, ${total_fail} failed"
[ "$total_fail" -eq 0 ]
