#!/usr/bin/env bash
# Unpacks proftpd with mod_tls into DEST (default build/proftpd) for the integration tests.
# Debian's proftpd conflicts with vsftpd, which the tests also run, so it is never installed:
# its packages (and the libraries it needs that Debian 12 does not bring by default) are
# downloaded with apt-get and unpacked with dpkg-deb. The tests skip proftpd when DEST holds
# no usable server.
set -euo pipefail
DEST=$(realpath -m "${1:-build/proftpd}")
PACKAGES=(proftpd-core proftpd-mod-crypto libmemcached11 libmemcachedutil2 libhashkit2
          libhiredis0.14 libsodium23 libpcre2-posix3)
if [ -x "$DEST/usr/sbin/proftpd" ] && [ -f "$DEST/usr/lib/proftpd/mod_tls.so" ]; then
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# apt-get download as root writes through the _apt user where it can.
chmod 0777 "$work"
if ! (cd "$work" && apt-get download "${PACKAGES[@]}" >/dev/null 2>&1); then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    (cd "$work" && apt-get download "${PACKAGES[@]}" >/dev/null)
fi
mkdir -p "$DEST"
for deb in "$work"/*.deb; do
    dpkg-deb -x "$deb" "$DEST"
done
missing=$(LD_LIBRARY_PATH="$DEST/usr/lib/x86_64-linux-gnu" ldd "$DEST/usr/sbin/proftpd" \
              "$DEST/usr/lib/proftpd/mod_tls.so" | grep "not found" || true)
if [ -n "$missing" ]; then
    echo "proftpd unpacked into $DEST lacks libraries:" >&2
    echo "$missing" >&2
    exit 1
fi
