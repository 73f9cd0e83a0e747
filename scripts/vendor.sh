#!/usr/bin/env bash
# Copies the client's libraries from their npm packages (package.json pins their versions) into
# web/vendor/, one file each with its licence beside it. Run after changing a version; the
# program embeds the copies, so the client needs no build step and no outside address.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -d node_modules/diff ] || npm ci --no-audit --no-fund --loglevel=error
mkdir -p web/vendor
# jsdiff: its browser build defines globalThis.Diff when loaded as a module.
cp node_modules/diff/dist/diff.js web/vendor/diff.js
cp node_modules/diff/LICENSE web/vendor/diff.LICENSE.txt
echo "web/vendor: diff $(node -p "require('./node_modules/diff/package.json').version")"
