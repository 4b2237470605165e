# Sourced by run.sh and test.sh: installs the Debian packages named in $@ that are missing.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Packages to build the program.
BUILD_PACKAGES=(cmake make g++ pkg-config libssl-dev libsecret-1-dev qt6-base-dev qt6-translations-l10n libgtest-dev libgmock-dev fonts-noto-cjk)

build_jobs() {
    nproc 2>/dev/null || echo 2
}
