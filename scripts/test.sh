#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test:
#   native tests (build/), the same under AddressSanitizer+UBSan (build-asan/),
#   process-level and browser tests against build/ferncard,
#   a few seconds of each fuzz target (build-fuzz/, clang's libFuzzer),
#   the Windows build (build-win/, MinGW-w64) with its native tests under Wine,
#   the packages (the .deb, the Windows installer and .zip) installed and used.
# Ends with one line "N passed, N failed" over all runners; exits non-zero on any failure.
# With arguments, runs only the stages named: linux, asan, fuzz, windows, packages (for example
# while working on one part; CI runs them all).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/install-deps.sh test || exit 1

stages=${*:-linux asan fuzz windows packages}
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

# The benchmark's short run: it must run through and print its table; its figures are not judged.
bench_smoke() {
  if cmake -S bench -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null &&
      cmake --build build-bench -j "$jobs" >/dev/null &&
      node bench/run.mjs --smoke --out "$log_dir/bench.md"; then
    record "bench smoke" 1 0
  else
    record "bench smoke" 0 1
  fi
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
  node_stage web tests/web/*.test.mjs
  bench_smoke
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

# A fresh, headless Wine prefix for this run; its server stays up until stop_wine. Later stages
# reuse the prefix that an earlier one started.
wine_up=""        # the prefix is ready
wine_started=""   # a Wine server may run, even from a failed start
start_wine() {
  [ -n "$wine_up" ] && return 0
  wine_started=1
  export WINEPREFIX="$log_dir/wine-prefix" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
  # The persistent server comes first, so every later Wine process finds it running. The desktop
  # that wineboot starts has no display driver, and a program that makes a window while it lasts
  # fails at once; restarting the server ends it, so the next desktop has the null driver.
  mkdir -p "$WINEPREFIX" && wineserver -p &&
    timeout 300 wineboot --init >"$log_dir/wineboot.log" 2>&1 &&
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >>"$log_dir/wineboot.log" 2>&1 &&
    wineserver -k && wineserver -w && wineserver -p ||
    { cat "$log_dir/wineboot.log"; return 1; }
  # Wine's desktop process ends shortly after the last program with windows; the next program
  # that makes a window then waits about ten seconds for a new one, and two programs that start
  # it at once can break it. A notepad that never shows (the null display driver) brings it up
  # alone, before anything else runs, and keeps it up for the whole stage.
  wine notepad >/dev/null 2>&1 &
  if ! wait_until 120 wine_runs 'explorer\.exe /desktop' || ! wait_until 120 wine_runs 'notepad\.exe'; then
    echo "Wine's desktop did not come up"
    return 1
  fi
  wine_up=1
}

# Whether a program of this run's Wine prefix runs with a command line that matches the pattern.
wine_runs() {  # pattern
  local pid
  for pid in $(pgrep -f "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}

stop_wine() {
  [ -n "$wine_started" ] || return 0
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  wine_up=""
  wine_started=""
}

# Process-level tests against ferncard.exe under Wine: the helpers in tests/support hand the
# program Windows paths and skip what only Linux can show (signals, stand-in pickers).
windows_process_stage() {
  shopt -s nullglob
  FERNCARD_BIN="$root/build-win/ferncard.exe" FERNCARD_WRAPPER=wine node_stage process-win tests/process/*.test.mjs
  shopt -u nullglob
}

build_windows() {
  build build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFERNCARD_TEST_SQLITE_SOURCE="$test_sqlite_source"
}

windows_stage() {
  if ! fetch_test_sqlite; then
    record "windows test sqlite (npm pack $test_sqlite_package)" 0 1
    return
  fi
  if ! build_windows; then
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
}

# --- Packages: the .deb and the Windows installer, installed and used as a user would -----

package_pass=0
package_fail=0

# One check: a description and a command that must succeed; its output is shown on failure.
package_check() {
  local out
  if out=$("${@:2}" 2>&1); then
    package_pass=$((package_pass + 1))
    echo "ok - $1"
  else
    package_fail=$((package_fail + 1))
    echo "FAILED - $1"
    [ -z "$out" ] || sed 's/^/    /' <<<"$out"
  fi
}

# Polls until a command succeeds, for at most the given seconds.
wait_until() {  # seconds command...
  local until=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$until" ] || return 1
    sleep 0.2
  done
}

has_launch_address() {  # ticket-file
  grep -qE '^http://127\.0\.0\.1:[0-9]+/\?ticket=[0-9a-f]{64}$' "$1" 2>/dev/null
}

# The launch address answers with the client's page once its ticket is redeemed for the cookie.
serves_launch_address() {  # address cookie-jar
  [ "$(curl -s -L -c "$2" -b "$2" -o /dev/null -w '%{http_code} %{content_type}' "$1")" = \
    "200 text/html; charset=utf-8" ]
}

# /api/status of the document behind a launch address names the expected file.
status_names_file() {  # address file-name cookie-jar
  serves_launch_address "$1" "$3" &&
    curl -s -b "$3" "${1%%/\?*}/api/status" | grep -qF "\"fileName\":\"$2\""
}

content_type_is() {  # share-folder file type
  [ "$(XDG_DATA_DIRS="$1:/usr/share" gio info -a standard::content-type "$2" |
    sed -n 's/^ *standard::content-type: //p')" = "$3" ]
}

linux_package_checks() {  # work-folder
  local work=$1 deb root pid
  (cd build && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; return 1; }
  deb=$(ls build/packages/ferncard_*_amd64.deb)
  package_check "lintian finds no error in $(basename "$deb")" lintian --fail-on error "$deb"
  root="$work/deb-root"
  dpkg-deb -x "$deb" "$root" || return 1
  package_check "desktop entry is valid" desktop-file-validate "$root"/usr/share/applications/*.desktop
  package_check "AppStream metainfo is valid" appstreamcli validate --no-net "$root"/usr/share/metainfo/*.xml

  "$root/usr/bin/ferncard" --no-browser --data "$work/data" --ticket-file "$work/ticket" &
  pid=$!
  package_check "the packaged program starts" wait_until 20 has_launch_address "$work/ticket"
  package_check "the packaged program serves its launch address" \
    serves_launch_address "$(cat "$work/ticket" 2>/dev/null)" "$work/cookies"
  kill -TERM "$pid" 2>/dev/null
  wait "$pid"

  # A document the program made, under its own name and renamed without the extension; a plain
  # SQLite database is not one.
  XDG_DATA_DIRS="$root/usr/share:/usr/share" update-mime-database "$root/usr/share/mime" || return 1
  cp "$work/data/Ferncard.fcard" "$work/notes.fcard"
  cp "$work/data/Ferncard.fcard" "$work/renamed"
  python3 -c 'import sqlite3, sys; sqlite3.connect(sys.argv[1]).execute("create table t(x)")' "$work/plain"
  package_check ".fcard is the document type" content_type_is "$root/usr/share" "$work/notes.fcard" application/x-ferncard
  package_check "a renamed document is the document type" content_type_is "$root/usr/share" "$work/renamed" application/x-ferncard
  package_check "another SQLite file is not" content_type_is "$root/usr/share" "$work/plain" application/vnd.sqlite3
}

reg_default() {  # key: its default value
  wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/^ *(Default) *REG_SZ *//p'
}

windows_package_checks() {  # work-folder
  local work=$1 setup local_app documents start_menu program_dir program_win progid command pid
  (cd build-win && cpack >"$work/cpack-win.log" 2>&1) || { cat "$work/cpack-win.log"; return 1; }
  setup=$(ls build-win/packages/Ferncard-*-win64-setup.exe)
  package_check "the .zip holds the program and its license" \
    bash -c "unzip -Z1 build-win/packages/Ferncard-*-win64.zip | sed 's|^[^/]*/||' | sort | tr '\n' ' ' | grep -qx 'LICENSE.txt ferncard.exe '"
  start_wine || return 1
  # Windows carries winsqlite3.dll in its system folder; Wine gets the tests' stand-in there.
  cp build-win/winsqlite3.dll "$WINEPREFIX/drive_c/windows/system32/" || return 1
  local_app=$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')
  documents=$(winepath -u "$(wine cmd /c echo %USERPROFILE% | tr -d '\r')\\Documents")
  start_menu=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs")
  program_win="$local_app\\Programs\\Ferncard\\ferncard.exe"
  program_dir=$(dirname "$(winepath -u "$program_win")")

  package_check "the installer runs silently" wine "$setup" /S
  package_check "the program is in the user's programs folder" test -f "$program_dir/ferncard.exe"
  package_check "the Start menu has its shortcut" test -f "$start_menu/Ferncard.lnk"
  progid=$(reg_default 'HKCU\Software\Classes\.fcard')
  command=$(reg_default "HKCU\\Software\\Classes\\$progid\\shell\\open\\command")
  package_check ".fcard opens with the program" test "$command" = "\"$program_win\" \"%1\""
  package_check ".fcard has the program's icon" \
    test "$(reg_default "HKCU\\Software\\Classes\\$progid\\DefaultIcon")" = "$program_win,0"
  package_check "the installed programs list has it" \
    wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ferncard' /v UninstallString

  # A running instance; the registered command hands it a document in the user's folder.
  wine "$program_dir/ferncard.exe" --no-browser --ticket-file "$(winepath -w "$work/ticket-win")" &
  pid=$!
  # Under load a fresh Wine process may take a minute to come up; a start that never comes is
  # reported here rather than as the hand-over failing after it.
  package_check "the installed program starts" wait_until 120 has_launch_address "$work/ticket-win"
  local first
  first=$(cat "$work/ticket-win" 2>/dev/null)
  cp "$work/data/Ferncard.fcard" "$documents/Notes.fcard"
  # The command is the checked '"program" "%1"': its program, given the document's path.
  local open_program=${command#\"}
  open_program=${open_program%%\"*}
  package_check "the open command hands the document over" \
    wine "$open_program" "$(winepath -w "$documents/Notes.fcard")"
  package_check "the running instance opens it" \
    wait_until 120 bash -c '[ "$(cat "$1" 2>/dev/null)" != "$2" ] && grep -q ticket "$1"' _ "$work/ticket-win" "$first"
  package_check "its window shows that document" \
    status_names_file "$(cat "$work/ticket-win")" Notes.fcard "$work/cookies-win"
  wine taskkill /im ferncard.exe >/dev/null 2>&1
  wait_until 30 bash -c "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null

  # The uninstaller copies itself away and returns at once; its work is done when the folder goes.
  package_check "the uninstaller runs silently" wine "$program_dir/Uninstall.exe" /S
  package_check "the program folder is removed" wait_until 60 test ! -e "$program_dir"
  package_check "the Start menu shortcut is removed" test ! -e "$start_menu/Ferncard.lnk"
  package_check "the file type is removed" \
    bash -c "! wine reg query 'HKCU\\Software\\Classes\\.fcard' && ! wine reg query 'HKCU\\Software\\Classes\\$progid'"
  package_check "the installed programs entry is removed" \
    bash -c "! wine reg query 'HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ferncard'"
  package_check "documents and the data folder stay" \
    test -f "$documents/Notes.fcard" -a -f "$documents/Ferncard/Ferncard.fcard"
}

packages_stage() {
  local work started=$SECONDS
  work=$(mktemp -d)
  if build build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null; then
    linux_package_checks "$work" || package_check "the .deb is built and unpacked" false
  else
    record "linux build" 0 1
  fi
  if fetch_test_sqlite && build_windows >/dev/null; then
    windows_package_checks "$work" || package_check "the installer is built and Wine is up" false
  else
    record "windows build" 0 1
  fi
  rm -rf "$work"
  record packages "$package_pass" "$package_fail"
  echo "== packages took $((SECONDS - started)) s"
}

wanted windows && windows_stage
wanted packages && packages_stage
stop_wine

rm -rf "$log_dir"
echo
echo "${total_pass} passed, ${total_fail} failed"
[ "$total_fail" -eq 0 ]
