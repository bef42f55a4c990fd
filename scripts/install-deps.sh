#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Installs the Debian packages needed to build, test and look at Quibex Crypto.
# Idempotent: when every package is already present it returns at once.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-private-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev
  libbenchmark-dev time
  zlib1g-dev libbz2-dev liblzma-dev libzstd-dev libjpeg62-turbo-dev libgif-dev
  libogg-dev libflac-dev libwebp-dev
  clang clang-tidy clang-format libclang-rt-14-dev
  fonts-dejavu-core fonts-liberation
  xvfb xauth openbox xdotool x11-utils imagemagick
  desktop-file-utils appstream dpkg-dev file
  shared-mime-info lintian
  strace bsdutils bindfs fuse3 e2fsprogs util-linux mount coreutils
  gzip bzip2 xz-utils zstd tar zip flac vorbis-tools lame sqlite3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

echo "Installation des paquets manquants : ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
