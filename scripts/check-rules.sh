#!/usr/bin/env bash
# House rules a grep can check:
# - project headers are included as "dir/name.h", never "../name.h" nor <dir/name.h>;
# - the logic folders never include a Qt header (widgets live in src/app, src/ui and src/gui);
# - the folders' includes point one way: core <- ftp, files, settings, dialup <- session <-
#   ui (widgets, seams) <- gui (dialogs) <- app (the window), and session <- cli. The engine (ftp) moves bytes and is told its options: nothing from
#   files, settings or session; the file layer parses text it is given: nothing from ftp; the
#   dial-up manager is told its entry: nothing from settings;
# - the engine's transport room (src/ftp/transport: sockets, TLS, waits, the resolver, the
#   cancel token) knows nothing of FTP: it includes only core and itself.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0

hits=$(grep -rnE '#include *[<"]Q' src/core src/ftp src/files src/settings src/dialup src/session \
    src/cli --include='*.h' --include='*.cpp' || true)
if [ -n "$hits" ]; then
    echo "Qt headers in the logic folders:" >&2
    echo "$hits" >&2
    status=1
fi

# Project headers are named from src/ in quotes: a relative "../x.h" or an angle-bracketed
# <ftp/x.h> would slip past the layer rules below.
projectdirs=$(find src -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | paste -sd'|')
hits=$(grep -rnE "#include *\"\.\.?/|#include *<($projectdirs)/" src tests bench fuzz \
    --include='*.h' --include='*.cpp' || true)
if [ -n "$hits" ]; then
    echo "project headers must be included as \"dir/name.h\":" >&2
    echo "$hits" >&2
    status=1
fi

# folder: the project folders its files may include from (besides itself)
allowed() {
    case "$1" in
    core) echo "" ;;
    ftp | files | settings | dialup) echo "core" ;;
    session) echo "core ftp files settings dialup" ;;
    cli) echo "core ftp files settings dialup session" ;;
    ui) echo "core ftp files settings dialup session" ;;
    gui) echo "core ftp files settings dialup session ui" ;;
    app) echo "core ftp files settings dialup session ui gui" ;;
    *) echo "?" ;;
    esac
}

for dir in src/*/; do
    folder=$(basename "$dir")
    permitted=$(allowed "$folder")
    if [ "$permitted" = "?" ]; then
        echo "src/$folder: a folder the layer rules do not know; add it to scripts/check-rules.sh" >&2
        status=1
        continue
    fi
    while IFS= read -r hit; do
        [ -n "$hit" ] || continue
        target=$(sed -E 's/.*#include *"([^/"]+)\/.*/\1/' <<<"$hit")
        if [ "$target" = "$folder" ] || [[ " $permitted " == *" $target "* ]]; then
            continue
        fi
        echo "layer rule: src/$folder may not include from $target/: $hit" >&2
        status=1
    done < <(grep -rnE '#include *"[^/"]+/' "$dir" --include='*.h' --include='*.cpp' || true)
done

hits=$(grep -rnE '#include *"[^"]+/' src/ftp/transport --include='*.h' --include='*.cpp' |
    grep -vE '#include *"(core|ftp/transport)/' || true)
if [ -n "$hits" ]; then
    echo "layer rule: src/ftp/transport includes only core/ and ftp/transport/:" >&2
    echo "$hits" >&2
    status=1
fi

if [ "$status" -eq 0 ]; then
    echo "rules: ok"
fi
exit "$status"
