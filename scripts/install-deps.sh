#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the screenshots and the package check
# need, once.
set -euo pipefail

packages=(
    g++ make cmake pkg-config
    qt6-base-dev qt6-charts-dev qt6-serialport-dev libqt6sql6-sqlite libqt6opengl6-dev
    libsqlite3-dev fonts-dejavu-core fontconfig qt6-translations-l10n
    libqt6sql6-psql libpq-dev postgresql
    xvfb xauth x11-apps imagemagick
    dpkg-dev lintian poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
# Standard output is the program's alone (run.sh --cli): the installer speaks on standard error.
"${sudo_cmd[@]}" apt-get update -qq >&2
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
