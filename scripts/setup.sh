#!/bin/sh
# Installs what is missing (Debian 12, as root) and builds Quillmar into ./build:
# everything, or only the targets named (scripts/setup.sh quillmar quillmar-batch).
set -eu
cd "$(dirname "$0")/.."

PACKAGES="build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
libgl-dev libgeographiclib-dev geographiclib-tools libproj-dev proj-data proj-bin libgdal-dev gdal-bin libbenchmark-dev
poppler-utils xvfb xauth imagemagick desktop-file-utils appstream dpkg-dev file
fonts-dejavu-core man-db clang libclang-rt-14-dev libsqlite3-dev"

missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq $missing
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ $# -gt 0 ]; then
    cmake --build build -j "$(nproc)" --target "$@"
else
    cmake --build build -j "$(nproc)"
fi
