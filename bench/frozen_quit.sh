#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Quibex Crypto team
#
# Quit during a job whose file system is frozen (fsfreeze): how long from the
# Quit command (menu or button, in build/bench/window_bench) until the
# window's thread has left the program, RUNS times each (default 3). Needs
# root: the job runs on an ext4 image mounted through a loop device here.
# The last thread, stuck in the kernel on the frozen disk, goes at the thaw;
# nothing is left in the folder after it.
#
#   sudo bench/frozen_quit.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

runs="${1:-3}"
window_bench="${WINDOW_BENCH:-build/bench/window_bench}"
[ -x "$window_bench" ] || { echo "build first: $window_bench is missing" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || { echo "needs root (loop mount, fsfreeze)" >&2; exit 1; }

scratch="$(mktemp -d)"
mount_point="$scratch/mnt"
mkdir "$mount_point"
truncate -s 600M "$scratch/disk.img"
mkfs.ext4 -q "$scratch/disk.img"
mount -o loop "$scratch/disk.img" "$mount_point"
finish() { fsfreeze -u "$mount_point" 2> /dev/null || true; umount "$mount_point"; rm -rf "$scratch"; }
trap finish EXIT
input="$mount_point/gros.bin"
head -c $((128 * 1024 * 1024)) /dev/urandom > "$input"
sync
export XDG_RUNTIME_DIR="$scratch" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

# Microseconds from the Quit to the window's thread gone (a zombie leader).
frozen_run() { # menu|button
    local out="$scratch/out" pid left
    "$window_bench" --slow-disk 20 --quit-after 1500 --quit-by "$1" "$input" secret > "$out" &
    pid=$!
    sleep 0.8
    fsfreeze -f "$mount_point"
    while [ "$(awk '{ print $3 }' "/proc/$pid/stat")" != Z ]; do sleep 0.001; done
    left="$(date +%s%N)"
    fsfreeze -u "$mount_point"
    wait "$pid"
    echo $(( (left - $(awk '/^quit at/ { print $3 }' "$out")) / 1000 ))
}

printf 'Quit during a job on a frozen disk, %s runs each (microseconds from the click to the window gone)\n' "$runs"
for how in menu button; do
    results=()
    for ((run = 1; run <= runs; ++run)); do
        results+=("$(frozen_run "$how")")
        [ "$(find "$mount_point" -mindepth 1 -maxdepth 1 ! -name gros.bin ! -name lost+found | wc -l)" -eq 0 ] ||
            { echo "files left behind after $how:"; ls -la "$mount_point"; exit 1; }
    done
    printf '%-8s max %8s   runs: %s\n' "$how" "$(printf '%s\n' "${results[@]}" | sort -n | tail -1)" "${results[*]}"
done
echo "nothing left in the folder after the thaw"
