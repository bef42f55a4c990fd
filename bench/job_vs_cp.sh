#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Compares the real file job (build/bench/job_bench) with cp on the same file,
# in the same folder (so on the same file system), and reports peak memory.
#
#   bench/job_vs_cp.sh [SIZE_MIB] [FOLDER] [RUNS]
#
# SIZE_MIB defaults to 1024 (1 GiB), FOLDER to build/bench-data, RUNS to 5.
# The job puts every byte on the disk before it reports success, so its anchor
# is a durable copy: cp followed by `sync` of the copy. cp alone (its data
# left in the page cache) is shown too. The three run interleaved, RUNS times
# each; before every run the earlier outputs are removed and the page cache's
# pending writeback is settled (sync), and the input is read from the cache.
# The ratios are those of the medians. A 64 MiB run shows that the job's peak
# memory does not grow with the file.
set -euo pipefail
cd "$(dirname "$0")/.."

size_mib="${1:-1024}"
folder="${2:-build/bench-data}"
runs="${3:-5}"
job_bench="${JOB_BENCH:-build/bench/job_bench}"
timer=/usr/bin/time

[ -x "$job_bench" ] || { echo "build first: $job_bench is missing" >&2; exit 1; }
[ -x "$timer" ] || { echo "$timer is missing (Debian package: time)" >&2; exit 1; }

mkdir -p "$folder"
input="$folder/bench-input.bin"
output="$folder/bench-input.BIN.qbc"
copy="$folder/bench-copy.bin"
small="$folder/bench-small.bin"
cleanup() { rm -f "$input" "$output" "$copy" "$small" "$folder/bench-small.BIN.qbc"; }
trap cleanup EXIT

make_input() { # FILE MIB
    head -c "$(( $2 * 1024 * 1024 ))" /dev/urandom > "$1"
    sync
    cat "$1" > /dev/null
}

# Runs a command under /usr/bin/time, from a settled cache; prints "seconds peak_kib".
measure() {
    local report
    report="$(mktemp)"
    rm -f "$output" "$copy"
    sync
    "$timer" -f "%e %M" -o "$report" "$@" > /dev/null
    cat "$report"
    rm -f "$report"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "Input: $size_mib MiB in $folder ($(df -T "$folder" | awk 'NR==2 { print $2 " on " $1 }')), $runs runs each"
make_input "$input" "$size_mib"

declare -A times peaks
for ((run = 1; run <= runs; ++run)); do
    for tool in cp cp_sync job; do
        case "$tool" in
            cp) line="$(measure cp "$input" "$copy")" ;;
            cp_sync) line="$(measure sh -c 'cp "$1" "$2" && sync "$2"' sh "$input" "$copy")" ;;
            job) line="$(measure "$job_bench" "$input" motdepasse)" ;;
        esac
        times[$tool]+="${line% *}"$'\n'
        peaks[$tool]="${line#* }"
    done
done

make_input "$small" 64
rm -f "$folder/bench-small.BIN.qbc"
small_line="$(measure "$job_bench" "$small" motdepasse)"

printf '%-24s %16s %10s\n' "" "median seconds" "peak MiB"
for tool in cp cp_sync job; do
    name="$tool"; [ "$tool" = cp_sync ] && name="cp + sync"; [ "$tool" = job ] && name="job_bench"
    printf '%-24s %16s %10.1f   (runs: %s)\n' "$name" "$(printf '%s' "${times[$tool]}" | median)" \
        "$(awk -v k="${peaks[$tool]}" 'BEGIN { print k / 1024 }')" "$(printf '%s' "${times[$tool]}" | tr '\n' ' ')"
done
printf '%-24s %16s %10.1f\n' "job_bench, 64 MiB file" "${small_line% *}" \
    "$(awk -v k="${small_line#* }" 'BEGIN { print k / 1024 }')"
cp_m="$(printf '%s' "${times[cp]}" | median)"
cps_m="$(printf '%s' "${times[cp_sync]}" | median)"
job_m="$(printf '%s' "${times[job]}" | median)"
awk -v j="$job_m" -v c="$cp_m" -v cs="$cps_m" \
    'BEGIN { printf "job / (cp + sync): %.2fx (target: at most 1.05x)   job / cp: %.2fx\n", j / cs, j / c }'
