#!/usr/bin/env bash
# What the closed program costs per sampling tick with its tray item live,
# against the bare-read floor of ReadersBench, in one run.
#
# Starts a private session bus with a stand-in StatusNotifier tray
# (bench/stand-in-tray.py, which re-reads every property after each signal,
# as real trays do) and the real program on a virtual display, no window
# open, in the CPU style so the figure changes most often. After a warm-up it
# reads the program's CPU time (utime + stime of all its threads) over
# SECONDS and divides it by the ticks in that time (one per 5 s while
# closed); then it runs BM_ReadFloor, which only reads the files a tick reads.
# CPU time comes from each thread's schedstat (nanoseconds; the clock ticks
# of /proc/<pid>/stat are far too coarse for an idle program).
#
#   bench/tray-idle.sh [BUILD_FOLDER] [DISPLAY]
#   VOLTMERE_TRAY_BENCH_SECONDS (120), VOLTMERE_TRAY_BENCH_WARMUP (20)
set -euo pipefail
build=$(readlink -f "${1:-build}")
display=${2:-:96}
seconds=${VOLTMERE_TRAY_BENCH_SECONDS:-120}
warmup=${VOLTMERE_TRAY_BENCH_WARMUP:-20}
here=$(cd "$(dirname "$0")" && pwd)
[ -x "$build/voltmere" ] && [ -x "$build/bench/ReadersBench" ] || {
  echo "tray-idle: build voltmere and ReadersBench in $build first" >&2; exit 1; }

work=$(mktemp -d)
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1

mkdir -p "$work/config/Voltmere" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"
printf '[General]\nmenuBar.style=cpu\nwelcome.completed=true\n' >"$work/config/Voltmere/Voltmere.conf"

# Inside the private bus: the tray, then the program; prints
# "<cpu seconds> <wall seconds> <tray reads>".
cat >"$work/session.sh" <<EOF
set -e
"$here/stand-in-tray.py" --quiet >"$work/tray.log" 2>&1 &
tray=\$!
sleep 1
HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime" \
  VOLTMERE_SKIP_WELCOME=1 DISPLAY="$display" QT_QPA_PLATFORM=xcb "$build/voltmere" >"$work/voltmere.log" 2>&1 &
program=\$!
sleep $warmup
ticks() { cat /proc/\$program/task/*/schedstat | awk '{ ns += \$1 } END { printf "%d", ns / 1000 }'; }
t0=\$(ticks); w0=\$(date +%s.%N)
sleep $seconds
t1=\$(ticks); w1=\$(date +%s.%N)
kill \$program; wait \$program || true
kill \$tray; wait \$tray || true
echo "\$(awk -v a=\$t0 -v b=\$t1 'BEGIN { print (b - a) / 1e6 }') \$(awk -v a=\$w0 -v b=\$w1 'BEGIN { print b - a }')"
EOF
read -r cpu wall < <(dbus-run-session -- bash "$work/session.sh" 2>/dev/null | tail -1)
reads=$(sed -n 's/^reads \([0-9]*\) .*/\1/p' "$work/tray.log")
signals=$(sed -n 's/^reads [0-9]* signals \([0-9]*\)/\1/p' "$work/tray.log")

# Its CPU time per pass, in microseconds, from the JSON record (the console
# table is coloured whatever the flags say, which defeats a text match).
QT_QPA_PLATFORM=offscreen "$build/bench/ReadersBench" --benchmark_filter=BM_ReadFloor \
  --benchmark_out="$work/floor.json" --benchmark_out_format=json >/dev/null 2>&1
floor_us=$(/usr/bin/python3 - "$work/floor.json" <<'PY'
import json, sys
run = next(b for b in json.load(open(sys.argv[1]))["benchmarks"] if b["name"].startswith("BM_ReadFloor"))
print(run["cpu_time"] * {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[run["time_unit"]])
PY
) || { echo "tray-idle: no BM_ReadFloor figure" >&2; exit 1; }
awk -v cpu="$cpu" -v wall="$wall" -v floor="$floor_us" -v reads="${reads:-0}" -v signals="${signals:-0}" 'BEGIN {
  ticks = wall / 5.0
  per_tick = cpu / ticks * 1e6
  printf "program, closed, tray item live: %.4f s CPU over %.0f s (%d ticks; the item signalled %s changes, the tray read it %s times)\n", cpu, wall, ticks, signals, reads
  printf "per tick: %.0f us; bare-read floor: %.0f us; ratio %.2fx (aim: at most 1.5x)\n", per_tick, floor, per_tick / floor
}'
