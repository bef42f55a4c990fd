#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Builds the Debian package from this build tree into a scratch folder and
# holds it to what a Debian archive would: lintian with no error and no
# warning, and one version everywhere a user reads it (the package, the top
# of its changelog, the newest AppStream release).
#
# check-package.sh CPACK CPACK_CONFIG SCRATCH_FOLDER CHANGELOG METAINFO
set -euo pipefail

cpack=$1
config=$2
scratch=$3
changelog=$4
metainfo=$5
for tool in lintian dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "$tool missing: run scripts/install-deps.sh"; exit 1; }
done

rm -rf "$scratch"
mkdir -p "$scratch"
"$cpack" --config "$config" -G DEB -B "$scratch" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  echo "cpack made ${#debs[@]} packages, not one"
  exit 1
fi
deb=${debs[0]}

version=$(dpkg-deb -f "$deb" Version)
logged=$(sed -n '1s/^[a-z0-9.+-]* (\([^)]*\)).*/\1/p' "$changelog")
released=$(grep -o -m1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)
if [ "$version" != "$logged" ] || [ "$version" != "$released" ]; then
  echo "versions differ: package $version, changelog $logged, metainfo $released"
  exit 1
fi

# Tags below warning (info, pedantic) are shown but do not fail the check.
lintian --fail-on error,warning --display-info "$deb"
echo "$(basename "$deb"): lintian clean"
