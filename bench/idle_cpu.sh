#!/usr/bin/env bash
# CPU the idle desktop program uses: zarvo-r5 offscreen on two simulated units with the 5 s
# device check, measured from the time its threads spent on a CPU (/proc schedstat) over a
# window of SECONDS after a 3 s settling time.
#   bench/idle_cpu.sh BUILD_DIR [SECONDS]     (default 60)
set -euo pipefail
build=$(cd "${1:?usage: bench/idle_cpu.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-60}
dir=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$dir"' EXIT
printf '[Option]\r\nWatchMode=1\r\n[Device1]\r\nCheck=1\r\n[Device2]\r\nCheck=1\r\n' > "$dir/TovanHistory_1.ini"
(cd "$dir" && XDG_CONFIG_HOME="$dir/config" QT_QPA_PLATFORM=offscreen ZARVO_R5_SIM=512Kx8,512Kx8 \
  exec "$build/src/gui/zarvo-r5" >/dev/null 2>&1) &
pid=$!
sleep 3
# Nanoseconds on a CPU, summed over the program's threads.
ticks() { cat /proc/"$pid"/task/*/schedstat | awk '{ns += $1} END {printf "%d", ns}'; }
t0=$(ticks); s0=$(date +%s.%N)
sleep "$seconds"
t1=$(ticks); s1=$(date +%s.%N)
kill -TERM "$pid"
wait "$pid" || true
awk -v a="$t0" -v b="$t1" -v s0="$s0" -v s1="$s1" 'BEGIN {
  cpu = (b - a) / 1e9; wall = s1 - s0;
  printf "zarvo-r5 idle: %.4f s CPU over %.1f s = %.4f %% of one CPU (goal < 0.1 %%)\n", cpu, wall, 100 * cpu / wall }'
