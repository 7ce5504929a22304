#!/bin/bash
# Installs the Debian 12 packages a build needs, when they are missing.
# usage: setup-deps.sh native|all
# As root it installs what is missing; otherwise it names what is missing and fails.
set -euo pipefail

native=(cmake make g++ libgtest-dev clang-format python3 man-db groff-base dpkg-dev file
        pkg-config libqpdf-dev qpdf)
cross=(googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
       wine64 wine32:i386 fonts-wine xvfb xauth clang libclang-rt-14-dev attr
       cups printer-driver-cups-pdf poppler-utils imagemagick procps mscompress
       qemu-user-static fuse3 libfuse3-dev pkg-config)

mode=${1:-native}
case "$mode" in
    native) wanted=("${native[@]}") ;;
    all) wanted=("${native[@]}" "${cross[@]}") ;;
    *) echo "usage: $0 native|all" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages (install them as root): ${missing[*]}" >&2
        exit 1
    fi
    echo "installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    case " ${missing[*]} " in
        *":i386 "*) dpkg --add-architecture i386 ;;
    esac
    apt-get update -q >&2
    apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi

# 32-bit Wine runs the i686 build's tests: under emulation where the kernel cannot start
# 32-bit programs itself.
if [ "$mode" = all ]; then
    "$(dirname "$0")/i386-emulation.sh"
fi
