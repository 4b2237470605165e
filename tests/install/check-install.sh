#!/usr/bin/env bash
# Installs the build into a scratch DESTDIR, as a package would, and checks it with the tools
# that desktops and software centres trust: desktop-file-validate, appstreamcli and man. The
# manual page must name every option that `tarnwick-cli --help` prints (so an option added to
# one and not the other fails here). Usage: check-install.sh BUILD_DIR [gui]
set -uo pipefail
build=$1
gui=${2:-}
id=io.github.kestrum.Tarnwick
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
status=0
fail() {
    echo "FAIL: $*" >&2
    status=1
}

if ! DESTDIR=$dest cmake --install "$build" --prefix /usr >"$dest.log" 2>&1; then
    cat "$dest.log" >&2
    rm -f "$dest.log"
    fail "cmake --install"
    exit 1
fi
rm -f "$dest.log"
usr=$dest/usr

# The command line and its manual page.
cli=$usr/bin/tarnwick-cli
[ -x "$cli" ] || fail "bin/tarnwick-cli is not installed"
page=$usr/share/man/man1/tarnwick-cli.1.gz
[ -f "$page" ] || fail "share/man/man1/tarnwick-cli.1.gz is not installed"
"$cli" --version | grep -q '^tarnwick-cli [0-9]' || fail "the installed tarnwick-cli does not run"
rendered=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$dest/man-warnings")
if [ -s "$dest/man-warnings" ]; then
    fail "man --warnings: $(cat "$dest/man-warnings")"
fi
options=$("$cli" --help | grep -oE -- '(^|[^[:alnum:]-])--?[a-z][a-z-]*' | grep -oE -- '--?[a-z][a-z-]*' | sort -u)
[ -n "$options" ] || fail "tarnwick-cli --help names no option"
for option in $options; do
    # Options as the page shows them: at the start of a line or after a blank, "[" or "|".
    grep -qE -- "(^|[[:space:][|,])$option([^[:alnum:]-]|$)" <<<"$rendered" ||
        fail "the manual page does not name $option (tarnwick-cli --help does)"
done

if [ "$gui" = gui ]; then
    [ -x "$usr/bin/tarnwick" ] || fail "bin/tarnwick is not installed"
    desktop=$usr/share/applications/$id.desktop
    desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
    grep -qx 'Exec=tarnwick' "$desktop" || fail "the desktop entry does not run tarnwick"
    grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
    grep -qE '^Categories=(.*;)?Network;(.*;)?FileTransfer;' "$desktop" ||
        fail "the desktop entry is not in Network;FileTransfer"
    # The icon is found in the hicolor theme, as SVG and in each PNG size.
    [ -f "$usr/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
    for size in 16 22 24 32 48 64 128 256; do
        png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
        file "$png" | grep -q "PNG image data, $size x $size," || fail "no ${size}x${size} PNG icon"
    done
    metainfo=$usr/share/metainfo/$id.metainfo.xml
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch the desktop entry"
fi

if [ "$status" -eq 0 ]; then
    echo "install: ok ($(find "$usr" -type f | wc -l) files)"
fi
exit "$status"
