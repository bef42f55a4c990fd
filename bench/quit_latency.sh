#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# How long the program takes to be gone after a Quit during a job on a slow
# disk: both Quit commands in the real window (build/bench/window_bench), and
# SIGTERM to build/bench/job_bench, each on a disk that stores MBPS megabytes
# a second (default 1), RUNS times (default 5). Also checks that nothing is
# left in the folder.
#
#   bench/quit_latency.sh [MBPS] [RUNS] [FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."

mbps="${1:-1}"
runs="${2:-5}"
folder="${3:-build/bench-data}"
window_bench="${WINDOW_BENCH:-build/bench/window_bench}"
job_bench="${JOB_BENCH:-build/bench/job_bench}"
for tool in "$window_bench" "$job_bench"; do
    [ -x "$tool" ] || { echo "build first: $tool is missing" >&2; exit 1; }
done

mkdir -p "$folder"
work="$(mktemp -d "$folder/quit.XXXXXX")"
trap 'rm -rf "$work"' EXIT
input="$work/gros.bin"
head -c $((64 * 1024 * 1024)) /dev/urandom > "$input"
runtime="$(mktemp -d)"
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

left_behind() { find "$work" -mindepth 1 ! -name gros.bin | wc -l; }

# The window: the click's wall-clock time comes from the program itself.
window_run() { # menu|button
    local out clicked gone
    out="$("$window_bench" --slow-disk "$mbps" --quit-after 700 --quit-by "$1" "$input" secret)"
    gone="$(date +%s%N)"
    clicked="$(printf '%s\n' "$out" | awk '/^quit at/ { print $3 }')"
    echo $(( (gone - clicked) / 1000 ))
}

# job_bench: the signal's time is taken just before kill.
signal_run() {
    local pid sent gone
    "$job_bench" --slow-disk "$mbps" "$input" secret > /dev/null 2>&1 &
    pid=$!
    sleep 0.7
    sent="$(date +%s%N)"
    kill -TERM "$pid"
    wait "$pid" || true
    gone="$(date +%s%N)"
    echo $(( (gone - sent) / 1000 ))
}

printf 'Quit during a 64 MiB job on a %s MB/s disk, %s runs each (microseconds from the click or signal to the process gone)\n' "$mbps" "$runs"
for how in menu button signal; do
    results=()
    for ((run = 1; run <= runs; ++run)); do
        if [ "$how" = signal ]; then results+=("$(signal_run)"); else results+=("$(window_run "$how")"); fi
        [ "$(left_behind)" -eq 0 ] || { echo "files left behind after $how:"; ls -la "$work"; exit 1; }
    done
    printf '%-8s max %8s   runs: %s\n' "$how" "$(printf '%s\n' "${results[@]}" | sort -n | tail -1)" "${results[*]}"
done
echo "nothing left in the folder"
rm -rf "$runtime"
