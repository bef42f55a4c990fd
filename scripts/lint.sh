#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Every file of ours names its licence; then a clang-format check over every
# source of ours, then clang-tidy over the program's compiled sources (needs the compile database of a configured
# build folder). Tests and benchmarks are formatted but not tidied: their
# framework macros and idioms (QCOMPARE, for (auto _ : state)) trip the checks.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"

# Pictures, the licence texts and the documentation are not source files.
mapfile -t unlicensed < <(git ls-files -z ':!*.png' ':!*.md' ':!COPYING' ':!packaging/copyright' |
                          xargs -0 grep -L 'SPDX-License-Identifier: ')
if [ ${#unlicensed[@]} -gt 0 ]; then
  printf 'sans ligne SPDX-License-Identifier : %s\n' "${unlicensed[@]}"
  exit 1
fi
echo "SPDX : chaque fichier source nomme sa licence"

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format : ${#sources[@]} fichiers conformes"

mapfile -t units < <(git ls-files 'memory/*.cpp' 'cipher/*.cpp' 'keycheck/*.cpp' 'job/*.cpp' 'cli/*.cpp' 'ui/*.cpp')
printf '%s\n' "${units[@]}" | xargs -P 2 -n 4 clang-tidy -p "$build_dir" --quiet
echo "clang-tidy : ${#units[@]} unités sans avertissement"
