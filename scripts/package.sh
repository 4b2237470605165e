#!/usr/bin/env bash
# Builds the Debian package (tarnwick_VERSION_ARCH.deb) in build-package/ with CPack: a
# release build of only the two programs and the manual page, stripped, its Depends found by
# dpkg-shlibdeps. Installs what it needs with apt-get when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" dpkg-dev file
BUILD_DIR=${BUILD_DIR:-build-package}
# Installing builds nothing more than the targets below (not the tests or fuzz drivers).
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DTARNWICK_BUILD_TESTS=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "$@"
cmake --build "$BUILD_DIR" -j"$(build_jobs)" --target tarnwick tarnwick-cli tarnwick_manpage
(cd "$BUILD_DIR" && cpack -G DEB)
ls -l "$BUILD_DIR"/tarnwick_*.deb
