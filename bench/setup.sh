#!/bin/bash
# Installs, from Debian 12's packages, the tools the benchmarks use and make-tree.sh needs
# to make its trees; CI and the tests need none of them.
# usage: bench/setup.sh   (as root; otherwise it names what is missing and fails)
set -euo pipefail
wanted=(gcc python3 imagemagick libjpeg-turbo-progs libtiff-tools ghostscript
        fuse3 libfuse3-dev pkg-config libimage-exiftool-perl file grep qpdf poppler-utils)
missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages (install them as root): ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >&2
apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
