# Sourced by the scripts: install_missing PACKAGE... installs the Debian
# packages named with apt-get when the script runs as root; otherwise it
# names them and the script stops.
install_missing() {
    [ $# -gt 0 ] || return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null
    else
        echo "$(basename "$0"): missing $*; install with: sudo apt-get install $*" >&2
        exit 1
    fi
}

# The libraries the companions read JSON and YAML with: prints the names of
# Debian packages of those not installed.
library_packages() {
    local package
    for package in nlohmann-json3-dev libyaml-cpp-dev; do
        dpkg -s "$package" >/dev/null 2>&1 || echo "$package"
    done
}
