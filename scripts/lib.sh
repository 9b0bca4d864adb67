# Shared by the scripts: package installation with apt-get.
# Installs every listed Debian package that is not installed yet.
ensure_packages() {
    local missing=()
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    if ! $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"; then
        $sudo apt-get update
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
    fi
}

# shapelib: its dbfcreate and dbfadd write the dBASE tables the tests read;
# libmodbus serves registers to the cross-check of our Modbus framing.
NATIVE_PACKAGES=(cmake ninja-build g++ python3 libgtest-dev libbenchmark-dev shapelib libmodbus-dev pkg-config)
