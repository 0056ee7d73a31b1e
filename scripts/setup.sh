#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build and the tests need, where they are missing.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev libfreexl-dev libzip-dev libexpat1-dev nlohmann-json3-dev python3 python3-xlwt
          python3-openpyxl qt6-base-dev xvfb fonts-noto-cjk libxcb1-dev
          libpcsclite-dev pcscd vsmartcard-vpcd iproute2 util-linux libssl-dev
          clang-format git librsvg2-bin groff-base dpkg-dev file lintian desktop-file-utils appstream)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
