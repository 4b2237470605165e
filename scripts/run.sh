#!/usr/bin/env bash
# Builds Tarnwick's window (only the program, not the tests) and starts it. Installs what the
# build needs with apt-get when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(build_jobs)" --target tarnwick
exec ./build/tarnwick "$@"
