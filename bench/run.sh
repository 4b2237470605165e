#!/usr/bin/env bash
# Transfer and listing benchmark: tarnwick-cli, curl and lftp against one vsftpd on loopback,
# in the same run, all in passive mode (PASV; EPSV off in curl and lftp). Measures wall time,
# user+sys CPU time and peak RSS of each client with /usr/bin/time and prints medians and the
# ratios of tarnwick-cli to curl and lftp. Then runs the listing-parser microbenchmarks.
#
#   sudo bench/run.sh                      # 5 repetitions, 1 GiB file, 20,000 entries,
#                                          # a tree of 2,000 files of 4 KiB
#   REPS=3 SIZE_MIB=256 sudo bench/run.sh  # a quicker run
#   BASELINE_CLI=/path/to/older/tarnwick-cli sudo bench/run.sh  # an older build in the same run
#   TLS=1 sudo bench/run.sh                # everything over explicit FTP over TLS
#   CASES="listing tree" sudo bench/run.sh # only some cases, e.g. to repeat noisy ones
#
# Needs root: vsftpd logs in a throw-away system user (the integration tests' "tarnwickftp").
set -euo pipefail
cd "$(dirname "$0")/.."
REPO=$PWD
REPS=${REPS:-5}
SIZE_MIB=${SIZE_MIB:-1024}
ENTRIES=${ENTRIES:-20000}
TREE_FILES=${TREE_FILES:-2000}
BUILD_DIR=${BUILD_DIR:-build-bench}
ALL_OPERATIONS="download upload listing listing-long tree"
read -r -a OPERATIONS <<<"${CASES:-$ALL_OPERATIONS}"
for op in "${OPERATIONS[@]}"; do
    if [[ " $ALL_OPERATIONS " != *" $op "* ]]; then
        echo "unknown case '$op' (cases: $ALL_OPERATIONS)" >&2
        exit 1
    fi
done

if [ "$(id -u)" -ne 0 ]; then
    echo "bench/run.sh needs root (it adds a system user and a PAM service for vsftpd)" >&2
    exit 1
fi
. scripts/deps.sh
ensure_packages cmake make g++ pkg-config libssl-dev libbenchmark-dev vsftpd curl lftp time passwd \
    openssl

# --- build --------------------------------------------------------------------------------
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DTARNWICK_BUILD_GUI=OFF \
    -DTARNWICK_BUILD_TESTS=OFF -DTARNWICK_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(build_jobs)" --target tarnwick-cli bench_listingparser
CLI=$REPO/$BUILD_DIR/tarnwick-cli

# --- vsftpd, set up as tests/support/realserver.cpp does -------------------------------
FTP_USER=tarnwickftp
FTP_PASS=tarnwick-test-pw
PAM_SERVICE=tarnwick-test-vsftpd
HOST=127.0.0.1
(
    flock 9
    if ! getent passwd "$FTP_USER" >/dev/null; then
        useradd --system --no-create-home --home-dir /var/lib/tarnwickftp \
            --shell /usr/sbin/nologin "$FTP_USER"
    fi
    home=$(getent passwd "$FTP_USER" | cut -d: -f6)
    install -d -o "$FTP_USER" -g "$(id -gn "$FTP_USER")" "$home" # vsftpd enters it first
    # SHA-512: Debian's default yescrypt costs the server ~170 ms per login.
    echo "$FTP_USER:$FTP_PASS" | chpasswd -c SHA512
    printf 'auth required pam_unix.so\naccount required pam_unix.so\nsession required pam_permit.so\n' \
        >/etc/pam.d/$PAM_SERVICE
) 9>/tmp/tarnwick-test-vsftpd.lock

WORK=$(mktemp -d /tmp/tarnwick-bench-XXXXXX)
chmod 711 "$WORK"
mkdir "$WORK/root" "$WORK/empty" "$WORK/local" "$WORK/config"
chmod 555 "$WORK/empty"
VSFTPD_PID=

# The pid of every process below $1 (vsftpd puts each session in a process group of its own).
descendants() {
    local stat line rest pid ppid
    for stat in /proc/[0-9]*/stat; do
        read -r line <"$stat" 2>/dev/null || continue
        pid=${line%% *}
        rest=${line##*) }   # "state ppid ...": the name before it may hold blanks
        rest=${rest#* }
        ppid=${rest%% *}
        if [ "$ppid" = "$1" ]; then
            echo "$pid"
            descendants "$pid"
        fi
    done
}

cleanup() {
    if [ -n "$VSFTPD_PID" ]; then
        for pid in $(descendants "$VSFTPD_PID"); do
            kill -9 "$pid" 2>/dev/null || true
        done
        kill "$VSFTPD_PID" 2>/dev/null || true
        wait "$VSFTPD_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT

echo "Preparing a ${SIZE_MIB} MiB file and a directory of $ENTRIES entries in $WORK"
head -c "${SIZE_MIB}M" /dev/urandom >"$WORK/root/big.bin"
cp "$WORK/root/big.bin" "$WORK/local/src.bin"
mkdir "$WORK/root/many"
(cd "$WORK/root/many" && seq -f 'entry-%05g.dat' 1 "$ENTRIES" | xargs touch)
# Many small files in 20 folders, each with two levels below it, so a tree copy is dominated
# by the cost per file and per folder (listing, data connection, replies), not by bytes.
echo "Preparing a tree of $TREE_FILES files of 4 KiB"
TREE_DIRS=20
for d in $(seq -f '%02g' 1 "$TREE_DIRS"); do
    mkdir -p "$WORK/root/tree/dir-$d/sub/deep"
done
for ((i = 0; i < TREE_FILES; i++)); do
    dir=$WORK/root/tree/dir-$(printf '%02d' $((i % TREE_DIRS + 1)))
    case $((i / TREE_DIRS % 4)) in
    2) dir+=/sub ;;
    3) dir+=/sub/deep ;;
    esac
    head -c 4096 /dev/urandom >"$dir/file-$(printf '%05d' "$i").bin"
done
chown -R "$FTP_USER:$(id -gn "$FTP_USER")" "$WORK/root"
SIZE_BYTES=$((SIZE_MIB * 1024 * 1024))
TREE_MIB=$(awk "BEGIN { print $TREE_FILES * 4 / 1024 }")

start_vsftpd() {
    local port=$1
    cat >"$WORK/vsftpd.conf" <<EOF
listen=YES
listen_ipv6=NO
listen_address=$HOST
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=YES
local_umask=022
chroot_local_user=NO
pasv_enable=YES
pasv_min_port=21000
pasv_max_port=21999
connect_from_port_20=NO
pam_service_name=$PAM_SERVICE
secure_chroot_dir=$WORK/empty
local_root=$WORK/root
seccomp_sandbox=NO
xferlog_enable=NO
EOF
    if [ "${TLS:-0}" = 1 ]; then
        # As FTPS servers are met: encryption forced, data sessions resumed.
        cat >>"$WORK/vsftpd.conf" <<EOF
ssl_enable=YES
rsa_cert_file=$WORK/cert.pem
rsa_private_key_file=$WORK/key.pem
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=YES
EOF
    fi
    /usr/sbin/vsftpd "$WORK/vsftpd.conf" </dev/null >"$WORK/vsftpd.err" 2>&1 &
    VSFTPD_PID=$!
    local i
    for i in $(seq 1 100); do
        if ! kill -0 "$VSFTPD_PID" 2>/dev/null; then
            VSFTPD_PID=
            return 1 # the port was taken
        fi
        if (exec 3<>"/dev/tcp/$HOST/$port") 2>/dev/null; then
            return 0
        fi
        sleep 0.05
    done
    return 1
}
if [ "${TLS:-0}" = 1 ]; then
    openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
        -days 2 -keyout "$WORK/key.pem" -out "$WORK/cert.pem" 2>/dev/null
fi
PORT=
for attempt in 1 2 3 4 5; do
    candidate=$((40000 + RANDOM % 10000))
    if start_vsftpd "$candidate"; then
        PORT=$candidate
        break
    fi
done
if [ -z "$PORT" ]; then
    echo "vsftpd did not start:" >&2
    cat "$WORK/vsftpd.err" >&2
    exit 1
fi
URL="ftp://$FTP_USER:$FTP_PASS@$HOST:$PORT"
# vsftpd writes its version to file descriptor 0 (its control connection under inetd).
echo "$(/usr/sbin/vsftpd -v 0>&1 | head -1) on $HOST:$PORT (pid $VSFTPD_PID)"
echo "curl: $(curl --version | head -1)"
echo "lftp: $(lftp --version | head -1)"

# --- the clients --------------------------------------------------------------------------
export TARNWICK_CONFIG_DIR=$WORK/config # no user settings (time limit, encoding) in the way
LFTP_SET="set ftp:passive-mode on; set ftp:prefer-epsv no; set net:max-retries 1;"
TLS_CLI=()
TLS_CURL=()
if [ "${TLS:-0}" = 1 ]; then
    # Every client trusts the server's certificate the same way: as a file of its own.
    TLS_CLI=(--tls --cacert "$WORK/cert.pem")
    TLS_CURL=(--ssl-reqd --cacert "$WORK/cert.pem")
    LFTP_SET+=" set ftp:ssl-force true; set ftp:ssl-protect-data true; set ssl:ca-file $WORK/cert.pem;"
fi
LFTP_SET+=" set xfer:clobber on; open -u $FTP_USER,$FTP_PASS -p $PORT $HOST;"
DL=$WORK/local/dl.bin
SRC=$WORK/local/src.bin
LISTING=$WORK/local/listing.txt
TREE_DL=$WORK/local/tree

# Sets CMD (the client's command line) and OUT (where its output goes) for one run.
client_command() { # operation client
    OUT=/dev/null
    case "$1:$2" in
    download:tarnwick-cli) CMD=("$CLI" --passive --quiet "${TLS_CLI[@]}" --type binary "$URL/" get big.bin "$DL") ;;
    download:curl) CMD=(curl -sS "${TLS_CURL[@]}" --disable-epsv -o "$DL" "$URL/big.bin") ;;
    download:lftp) CMD=(lftp --norc -c "$LFTP_SET get big.bin -o $DL") ;;
    upload:tarnwick-cli) CMD=("$CLI" --passive --quiet "${TLS_CLI[@]}" --type binary "$URL/" put "$SRC" up.bin) ;;
    upload:curl) CMD=(curl -sS "${TLS_CURL[@]}" --disable-epsv -T "$SRC" "$URL/up.bin") ;;
    upload:lftp) CMD=(lftp --norc -c "$LFTP_SET put $SRC -o up.bin") ;;
    listing:tarnwick-cli) CMD=("$CLI" --passive --quiet "${TLS_CLI[@]}" "$URL/many" ls) OUT=$LISTING ;;
    listing:curl) CMD=(curl -sS "${TLS_CURL[@]}" --disable-epsv "$URL/many/") OUT=$LISTING ;;
    listing:lftp) CMD=(lftp --norc -c "$LFTP_SET cd many; cls -l") OUT=$LISTING ;;
    # The long form parses the same and prints permissions, size and date as well; curl
    # still only fetches, lftp's cls -l is its own long form.
    listing-long:tarnwick-cli) CMD=("$CLI" --passive --quiet "${TLS_CLI[@]}" "$URL/many" ls -l) OUT=$LISTING ;;
    listing-long:curl) client_command listing curl ;;
    listing-long:lftp) client_command listing lftp ;;
    # One transfer at a time in both: lftp's mirror would otherwise be free to run several.
    tree:tarnwick-cli) CMD=("$CLI" --passive --quiet "${TLS_CLI[@]}" --type binary "$URL/" get -r tree "$TREE_DL") ;;
    tree:lftp) CMD=(lftp --norc -c "$LFTP_SET mirror --parallel=1 tree $TREE_DL") ;;
    *:baseline)
        client_command "$1" tarnwick-cli
        CMD[0]=$BASELINE_CLI
        ;;
    esac
}

# Each run must have done its work, or its time means nothing. A copy is checked by its size,
# in the first repetition byte for byte, and removed.
check_copy() { # client copy original repetition
    local size
    size=$(stat -c %s "$2")
    [ "$size" = "$SIZE_BYTES" ] || { echo "$1 moved $size bytes" >&2; exit 1; }
    if [ "$4" = 1 ] && ! cmp -s "$2" "$3"; then
        echo "$1 moved other bytes" >&2
        exit 1
    fi
    rm -f "$2"
}

check_result() { # operation client repetition
    local entries
    case "$1" in
    download) check_copy "$2" "$DL" "$WORK/root/big.bin" "$3" ;;
    upload) check_copy "$2" "$WORK/root/up.bin" "$SRC" "$3" ;;
    listing | listing-long)
        entries=$(grep -c 'entry-' "$LISTING" || true)
        [ "$entries" = "$ENTRIES" ] || { echo "$2 listed $entries entries" >&2; exit 1; }
        ;;
    tree)
        # diff -r costs well under the copy itself, so every repetition is checked whole.
        if ! diff -r "$WORK/root/tree" "$TREE_DL" >"$WORK/tree-diff.txt" 2>&1; then
            echo "$2 copied the tree incompletely or wrongly (repetition $3):" >&2
            head -20 "$WORK/tree-diff.txt" >&2
            exit 1
        fi
        rm -rf "$TREE_DL"
        ;;
    esac
}

# curl has no recursive download.
supported() { # operation client
    [ "$1:$2" != tree:curl ]
}

CLIENTS=(tarnwick-cli curl lftp)
if [ -n "${BASELINE_CLI:-}" ]; then
    CLIENTS+=(baseline)
    echo "baseline: $BASELINE_CLI"
fi
RESULTS=$WORK/results.txt
: >"$RESULTS"
# Repetitions interleave the clients, so a slow phase of the machine hits all of them, and
# each repetition starts with another client (the one after the previous run's clean-up).
for rep in $(seq 1 "$REPS"); do
    for op in "${OPERATIONS[@]}"; do
        for turn in $(seq 0 $((${#CLIENTS[@]} - 1))); do
            client=${CLIENTS[$(((rep - 1 + turn) % ${#CLIENTS[@]}))]}
            supported "$op" "$client" || continue
            if [ "$op" = tree ]; then
                rm -rf "$TREE_DL"
                mkdir "$TREE_DL" # each copy into a fresh, empty folder
            fi
            sync
            client_command "$op" "$client"
            /usr/bin/time -f "%e %U %S %M" -o "$WORK/time.txt" "${CMD[@]}" >"$OUT" ||
                { echo "$client $op failed: ${CMD[*]}" >&2; exit 1; }
            check_result "$op" "$client" "$rep"
            read -r wall user sys rss <"$WORK/time.txt"
            echo "$op $client $wall $(awk "BEGIN { print $user + $sys }") $rss" >>"$RESULTS"
            printf '  rep %d %-12s %-12s %6.2f s wall\n' "$rep" "$op" "$client" "$wall"
        done
    done
done

# --- summary --------------------------------------------------------------------------------
median() { # operation client column (3 wall, 4 cpu, 5 rss KiB)
    awk -v op="$1" -v c="$2" -v col="$3" '$1 == op && $2 == c { print $col }' "$RESULTS" |
        sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

echo
echo "Medians of $REPS runs; passive mode; ${SIZE_MIB} MiB file; $ENTRIES entries; tree of $TREE_FILES files of 4 KiB; vsftpd on loopback$([ "${TLS:-0}" = 1 ] && echo "; explicit FTP over TLS")"
printf '%-12s %-13s %9s %10s %13s %13s\n' operation client "wall s" "MiB/s" "user+sys s" "peak RSS MiB"
declare -A WALL CPU
for op in "${OPERATIONS[@]}"; do
    for client in "${CLIENTS[@]}"; do
        if ! supported "$op" "$client"; then
            printf '%-12s %-13s %9s %10s %13s %13s\n' "$op" "$client" n/a n/a n/a n/a
            continue
        fi
        wall=$(median "$op" "$client" 3)
        cpu=$(median "$op" "$client" 4)
        rss=$(median "$op" "$client" 5)
        WALL[$op:$client]=$wall
        CPU[$op:$client]=$cpu
        case $op in
        listing*) rate=- ;;
        tree) rate=$(awk "BEGIN { printf \"%.1f\", $TREE_MIB / ($wall > 0 ? $wall : 0.001) }") ;;
        *) rate=$(awk "BEGIN { printf \"%.0f\", $SIZE_MIB / ($wall > 0 ? $wall : 0.001) }") ;;
        esac
        printf '%-12s %-13s %9.3f %10s %13.3f %13.1f\n' "$op" "$client" "$wall" "$rate" "$cpu" \
            "$(awk "BEGIN { print $rss / 1024 }")"
    done
done

echo
echo "tarnwick-cli / other (below 1 = tarnwick-cli takes less)"
ratio() { awk "BEGIN { printf \"%.2f\", ($2 > 0) ? $1 / $2 : 0 }"; }
for other in "${CLIENTS[@]:1}"; do
    printf '%-12s %16s %16s\n' operation "wall vs $other" "CPU vs $other"
    for op in "${OPERATIONS[@]}"; do
        if ! supported "$op" "$other"; then
            printf '%-12s %16s %16s\n' "$op" n/a n/a
            continue
        fi
        printf '%-12s %16s %16s\n' "$op" \
            "$(ratio "${WALL[$op:tarnwick-cli]}" "${WALL[$op:$other]}")" \
            "$(ratio "${CPU[$op:tarnwick-cli]}" "${CPU[$op:$other]}")"
    done
done

echo
echo "Listing parser (Google Benchmark)"
"$REPO/$BUILD_DIR/bench/bench_listingparser" --benchmark_min_time=0.2
