#!/usr/bin/env bash
# Builds Tarnwick and runs every test. Installs what the build and the tests need (the real
# FTP servers included) with apt-get when missing; the tests start their servers themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
# The integration tests run vsftpd as a throw-away system user (useradd and chpasswd from
# passwd); vsftpd needs root for that, pyftpdlib does not.
# The keyring tests start a private D-Bus session bus with a real gnome-keyring-daemon on it;
# the install check runs desktop-file-validate, appstreamcli and man on a DESTDIR install.
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev xvfb xauth xdotool vsftpd python3-pyftpdlib \
    openssl python3-openssl \
    passwd \
    dbus-daemon gnome-keyring libglib2.0-bin \
    desktop-file-utils appstream man-db file
if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: the vsftpd integration tests will be skipped." >&2
fi
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
# proftpd cannot be installed beside vsftpd: it is unpacked into the build folder instead.
scripts/fetch-proftpd.sh "$BUILD_DIR/proftpd" || echo "proftpd could not be unpacked: its tests will be skipped." >&2
cmake --build "$BUILD_DIR" -j"$(build_jobs)"
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(build_jobs)" --timeout 300
