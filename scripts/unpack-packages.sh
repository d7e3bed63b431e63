# Sourced: unpack_packages <folder> <package>...: downloads the Debian packages into <folder>
# (reading the package lists first where a fresh machine has none) and unpacks them, not
# installed, into <folder>/unpacked.
unpack_packages() {
    local work=$1 package sudo=""
    shift
    if ! (cd "$work" && apt-get download "$@" >/dev/null 2>&1); then
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        (cd "$work" && apt-get download "$@" >/dev/null)
    fi
    for package in "$work"/*.deb; do
        dpkg-deb -x "$package" "$work/unpacked"
    done
}
