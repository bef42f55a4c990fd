#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Many small files: `qbc encrypt -r` against `cp -r` followed by `sync` of
# the same tree (FILES files of 4 KiB, default 5000, in folders of PER_FOLDER,
# default 500), RUNS interleaved runs each (default 3) from a settled cache,
# medians compared, with qbc's peak memory. PER_FOLDER=25 makes 200 folders:
# qbc syncs a disk once a group whatever the number of folders.
#
#   [PER_FOLDER=N] bench/batch_vs_cp.sh [FILES] [RUNS] [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."

files="${1:-5000}"
runs="${2:-3}"
folder="${3:-build/bench-data}"
qbc="${QBC:-build/qbc}"
per_folder="${PER_FOLDER:-500}"
timer=/usr/bin/time
[ -x "$qbc" ] || { echo "build first: $qbc is missing" >&2; exit 1; }

mkdir -p "$folder"
work="$(mktemp -d "$folder/batch.XXXXXX")"
trap 'rm -rf "$work"' EXIT
tree="$work/arbre"
for ((i = 0; i < files; ++i)); do
    sub="$tree/d$((i / per_folder))"
    [ -d "$sub" ] || mkdir -p "$sub"
    head -c 4096 /dev/urandom > "$sub/f$i.bin"
done
echo secret > "$work/pw"

settle() { find "$tree" -name '*.qbc' -delete; rm -rf "$work/copie"; sync; cat "$tree"/*/* > /dev/null; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

qbc_times=()
cp_times=()
peak=0
for ((run = 1; run <= runs; ++run)); do
    settle
    out="$($timer -f "%e %M" "$qbc" encrypt -r -q --password-file "$work/pw" "$tree" 2>&1 >/dev/null | tail -1)"
    qbc_times+=("${out% *}")
    peak=$(( ${out#* } > peak ? ${out#* } : peak ))
    settle
    cp_times+=("$($timer -f "%e" sh -c "cp -r '$tree' '$work/copie' && sync" 2>&1 | tail -1)")
done
q="$(printf '%s\n' "${qbc_times[@]}" | median)"
c="$(printf '%s\n' "${cp_times[@]}" | median)"
echo "$files files of 4 KiB in folders of $per_folder, $runs runs each (seconds): qbc ${qbc_times[*]}; cp -r + sync ${cp_times[*]}"
echo "qbc / (cp -r + sync): $(awk -v q="$q" -v c="$c" 'BEGIN { printf "%.2f", q / c }')x (target: at most 1.0x); qbc peak memory $((peak / 1024)) MiB"
