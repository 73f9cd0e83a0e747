#!/usr/bin/env bash
# Installs what is missing, builds build/ferncard and runs it with the given arguments.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFERNCARD_TESTS=OFF >/dev/null
cmake --build build --target ferncard
exec build/ferncard "$@"
