#!/usr/bin/env bash
# clang-format check over every source of ours, then clang-tidy over the
# program's compiled sources (needs the compile database of a configured
# build folder). Tests and benchmarks are formatted but not tidied: their
# framework macros and idioms (QCOMPARE, for (auto _ : state)) trip the checks.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${1:-build}"

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run --Werror "${sources[@]}"
echo "clang-format : ${#sources[@]} fichiers conformes"

mapfile -t units < <(git ls-files 'cipher/*.cpp' 'job/*.cpp' 'ui/*.cpp')
printf '%s\n' "${units[@]}" | xargs -P 2 -n 4 clang-tidy -p "$build_dir" --quiet
echo "clang-tidy : ${#units[@]} unités sans avertissement"
