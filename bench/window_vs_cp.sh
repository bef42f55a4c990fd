#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Compares a real encryption through the real window (build/bench/window_bench,
# offscreen) with cp on the same file in the same folder (so on the same file
# system), and reports the longest time during which the window did not answer.
#
#   bench/window_vs_cp.sh [SIZE_MIB] [FOLDER]
#
# SIZE_MIB defaults to 1024 (1 GiB); FOLDER to build/bench-data. The input is
# read once beforehand so that every run reads it from the page cache; each tool
# runs three times and its best time counts. The window's whole process is
# timed (start-up included), like cp's. cp is timed twice: alone (it leaves its
# data in the cache) and followed by `sync FILE`, because the job flushes its
# output to the disk before moving it into place.
set -euo pipefail
cd "$(dirname "$0")/.."

size_mib="${1:-1024}"
folder="${2:-build/bench-data}"
window_bench="${WINDOW_BENCH:-build/bench/window_bench}"
timer=/usr/bin/time

[ -x "$window_bench" ] || { echo "build first: $window_bench is missing" >&2; exit 1; }
[ -x "$timer" ] || { echo "$timer is missing (Debian package: time)" >&2; exit 1; }

mkdir -p "$folder"
input="$folder/window-input.bin"
output="$folder/window-input.BIN.qbc"
copy="$folder/window-copy.bin"
report="$(mktemp)"
runtime="$(mktemp -d)"
cleanup() { rm -rf "$input" "$output" "$copy" "$report" "$runtime"; }
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime"

seconds_of() { # command...: prints the elapsed seconds of one run
    rm -f "$output" "$copy"
    sync
    "$timer" -f "%e" -o "$report" "$@" > "$report.out"
    cat "$report"
}

best_of_three() { # command...: prints the best elapsed seconds of three runs
    local best="" s
    for _ in 1 2 3; do
        s="$(seconds_of "$@")"
        if [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best="$s"
        fi
    done
    echo "$best"
}

window_runs() { # label, window_bench arguments...: three runs, best time, worst gap
    local label="$1" best="" worst_gap=0 s gap
    shift
    for _ in 1 2 3; do
        s="$(seconds_of "$window_bench" "$@" "$input" motdepasse)"
        gap="$(awk '/^longest gap:/ { print $3 }' "$report.out")"
        if [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best="$s"
        fi
        worst_gap="$(awk -v a="$gap" -v b="$worst_gap" 'BEGIN { print (a > b ? a : b) }')"
    done
    echo "$label $best $worst_gap"
}

echo "Input: $size_mib MiB in $folder ($(df -T "$folder" | awk 'NR==2 { print $2 " on " $1 }'))"
head -c "$(( size_mib * 1024 * 1024 ))" /dev/urandom > "$input"
sync "$input"
cat "$input" > /dev/null

cp_s="$(best_of_three cp "$input" "$copy")"
cp_sync_s="$(best_of_three sh -c 'cp "$1" "$2" && sync "$2"' sh "$input" "$copy")"
read -r _ simple_s simple_gap < <(window_runs simple)
read -r _ advanced_s advanced_gap < <(window_runs advanced --advanced)

printf '%-24s %8s %18s\n' "" "seconds" "longest gap (ms)"
printf '%-24s %8s %18s\n' "cp" "$cp_s" "-"
printf '%-24s %8s %18s\n' "cp + sync" "$cp_sync_s" "-"
printf '%-24s %8s %18s\n' "window, simple" "$simple_s" "$simple_gap"
printf '%-24s %8s %18s\n' "window, advanced" "$advanced_s" "$advanced_gap"
awk -v w="$simple_s" -v c="$cp_s" -v cs="$cp_sync_s" \
    'BEGIN { printf "window / cp: %.2fx   window / (cp + sync): %.2fx   (target: at most 1.3x)\n", w / c, w / cs }'
echo "longest gap target: at most 50 ms"
