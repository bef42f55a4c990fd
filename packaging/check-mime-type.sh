#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# update-mime-database must accept the type file as installed, and read it
# as meant: the glob without the case-sensitive flag (photo.JPG.QBC is ours
# too), the French comment, the icon, and no content rule at all, since the
# format has no mark a sniffer could find.
#
# check-mime-type.sh TYPE_FILE SCRATCH_FOLDER
set -euo pipefail

type_file=$1
scratch=$2
command -v update-mime-database >/dev/null ||
  { echo "update-mime-database missing: install shared-mime-info"; exit 1; }

rm -rf "$scratch"
mkdir -p "$scratch/packages"
cp "$type_file" "$scratch/packages/quibex-crypto.xml"
# Its warnings go to stderr with a zero status; any of them is a fault here.
# The folder is named on the data path so that the database does not note
# that no application would read it.
errors=$(XDG_DATA_DIRS=$(dirname "$scratch") update-mime-database "$scratch" 2>&1 >/dev/null)
if [ -n "$errors" ]; then
  echo "update-mime-database complained:"
  echo "$errors"
  exit 1
fi

faults=()
grep -qx '50:application/x-quibex-crypto:\*\.qbc' "$scratch/globs2" ||
  faults+=("globs2 has no case-insensitive *.qbc glob")
[ "$(grep -vc '^#' "$scratch/globs2")" -eq 1 ] || faults+=("globs2 has more than one glob")
generated="$scratch/application/x-quibex-crypto.xml"
grep -q '<comment>Fichier crypté Quibex Crypto</comment>' "$generated" ||
  faults+=("no French comment")
grep -q '<icon name="application-x-quibex-crypto"/>' "$generated" || faults+=("no icon name")
# An empty magic file is its 12-byte header alone.
[ "$(stat -c %s "$scratch/magic")" -eq 12 ] || faults+=("a content rule was written")

if [ ${#faults[@]} -gt 0 ]; then
  printf 'MIME type fault: %s\n' "${faults[@]}"
  exit 1
fi
echo "application/x-quibex-crypto: *.qbc in any case, no content rule"
