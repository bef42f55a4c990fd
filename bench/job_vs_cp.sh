#!/usr/bin/env bash
# Compares the real file job (build/bench/job_bench) with cp on the same file,
# in the same folder (so on the same file system), and reports their peak memory.
#
#   bench/job_vs_cp.sh [SIZE_MIB] [FOLDER]
#
# SIZE_MIB defaults to 1024 (1 GiB); FOLDER to build/bench-data. The input is
# read once beforehand so that every run reads it from the page cache; each tool
# runs three times and its best time counts. cp is timed twice: alone (it leaves
# its data in the cache) and followed by `sync FILE`, because the job flushes its
# output to the disk before moving it into place. A second, smaller run shows
# that the job's peak memory does not grow with the file size.
set -euo pipefail
cd "$(dirname "$0")/.."

size_mib="${1:-1024}"
folder="${2:-build/bench-data}"
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
    sync "$1"
    cat "$1" > /dev/null
}

# Runs a command under /usr/bin/time; prints "seconds peak_kib".
measure() {
    local report
    report="$(mktemp)"
    "$timer" -f "%e %M" -o "$report" "$@" > /dev/null
    cat "$report"
    rm -f "$report"
}

best_of_three() { # prints the best "seconds peak_kib" of three runs of a command
    local best="" line
    for _ in 1 2 3; do
        rm -f "$output" "$copy"
        sync
        line="$(measure "$@")"
        if [ -z "$best" ] || awk -v a="${line% *}" -v b="${best% *}" 'BEGIN { exit !(a < b) }'; then
            best="$line"
        fi
    done
    echo "$best"
}

echo "Input: $size_mib MiB in $folder ($(df -T "$folder" | awk 'NR==2 { print $2 " on " $1 }'))"
make_input "$input" "$size_mib"

cp_result="$(best_of_three cp "$input" "$copy")"
cp_sync_result="$(best_of_three sh -c 'cp "$1" "$2" && sync "$2"' sh "$input" "$copy")"
job_result="$(best_of_three "$job_bench" "$input" motdepasse)"
adv_result="$(best_of_three "$job_bench" --advanced "$input" motdepasse)"

make_input "$small" 64
rm -f "$folder/bench-small.BIN.qbc"
small_result="$(measure "$job_bench" "$small" motdepasse)"

cp_s="${cp_result% *}"; cp_sync_s="${cp_sync_result% *}"; job_s="${job_result% *}"
printf '%-26s %8s %10s\n' "" "seconds" "peak MiB"
for row in "cp:$cp_result" "cp + sync:$cp_sync_result" "job_bench:$job_result" \
           "job_bench --advanced:$adv_result" "job_bench, 64 MiB file:$small_result"; do
    name="${row%%:*}"; values="${row#*:}"
    printf '%-26s %8s %10.1f\n' "$name" "${values% *}" "$(awk -v k="${values#* }" 'BEGIN { print k / 1024 }')"
done
awk -v j="$job_s" -v c="$cp_s" -v cs="$cp_sync_s" \
    'BEGIN { printf "job / cp: %.2fx   job / (cp + sync): %.2fx   (target: at most 1.3x)\n", j / c, j / cs }'
