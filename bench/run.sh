#!/usr/bin/env bash
# Builds what the benchmark needs and runs it: prints a Markdown table and writes it to
# bench/results.md. Arguments go to bench/run.mjs (--smoke, --seconds N, --out FILE).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target ferncard
cmake -S bench -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j "$(nproc)"
# better-sqlite3 is built from source by node-gyp, which needs make and python3.
command -v make >/dev/null && command -v python3 >/dev/null || apt-get install -y -qq make python3
[ -d bench/node_modules/better-sqlite3 ] || (cd bench && npm ci --no-audit --no-fund)
exec node bench/run.mjs "$@"
