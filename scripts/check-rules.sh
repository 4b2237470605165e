#!/usr/bin/env bash
# House rules a grep can check: the logic folders never include a Qt header (widgets live in
# src/app, src/ui and the gui/ subfolders).
set -euo pipefail
cd "$(dirname "$0")/.."
hits=$(grep -rnE '#include *[<"]Q' src/core src/ftp src/files src/settings src/dialup src/cli \
    --include='*.h' --include='*.cpp' | grep -v '/gui/' || true)
if [ -n "$hits" ]; then
    echo "Qt headers in the logic folders:" >&2
    echo "$hits" >&2
    exit 1
fi
echo "rules: ok"
