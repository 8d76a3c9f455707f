#!/usr/bin/env bash
# What the dashboard costs the whole program. Starts two copies of the real
# program side by side on one Xvfb display: one with no window open (the
# baseline) and one with the dashboard open on the Overview with the one-hour
# window. Both sample this machine for real. After a warm-up, it reads each
# process's CPU time (utime + stime from /proc/<pid>/stat, so every thread
# counts, not only the program's own accounting) over ROUNDS stretches of
# SECONDS each, and its resident memory at the end.
#
#   bench/dashboard-cpu.sh [BUILD_FOLDER] [DISPLAY]
#   VOLTMERE_DASHBOARD_BENCH_SECONDS (60), VOLTMERE_DASHBOARD_BENCH_ROUNDS (3),
#   VOLTMERE_DASHBOARD_BENCH_WARMUP (30 seconds before the first stretch)
#
# Other work on the machine raises both figures alike; compare the two.
set -euo pipefail
build=${1:-build}
display=${2:-:97}
seconds=${VOLTMERE_DASHBOARD_BENCH_SECONDS:-60}
rounds=${VOLTMERE_DASHBOARD_BENCH_ROUNDS:-3}
warmup=${VOLTMERE_DASHBOARD_BENCH_WARMUP:-30}
program=$(readlink -f "$build/voltmere")
[ -x "$program" ] || { echo "dashboard-cpu: no program at $build/voltmere" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "dashboard-cpu: Xvfb is not installed" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
sleep 1

# start NAME [URL]: a fresh user (preferences, history, runtime folder) per copy.
start() {
  local name=$1; shift
  local home="$work/$name"
  mkdir -p "$home/config/Voltmere" "$home/data" "$home/runtime"
  chmod 700 "$home/runtime"
  printf '[General]\noverview.windowMinutes=60\nwelcome.completed=true\n' >"$home/config/Voltmere/Voltmere.conf"
  HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/runtime" \
    VOLTMERE_SKIP_WELCOME=1 DISPLAY="$display" "$program" "$@" >"$home/log" 2>&1 &
  pids+=($!)
  echo $!
}

closed=$(start closed)
open=$(start open voltmere://open/overview)

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss() { awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)

sleep "$warmup"
printf '%-8s %10s %10s %8s\n' round "closed %" "open %" ratio
total_closed=0
total_open=0
for round in $(seq 1 "$rounds"); do
  c0=$(ticks "$closed"); o0=$(ticks "$open"); t0=$(date +%s.%N)
  sleep "$seconds"
  c1=$(ticks "$closed"); o1=$(ticks "$open"); t1=$(date +%s.%N)
  read -r cp op < <(awk -v c=$((c1 - c0)) -v o=$((o1 - o0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" \
    'BEGIN { w = t1 - t0; printf "%.3f %.3f\n", c / hz / w * 100, o / hz / w * 100 }')
  total_closed=$(awk -v a="$total_closed" -v b="$cp" 'BEGIN { print a + b }')
  total_open=$(awk -v a="$total_open" -v b="$op" 'BEGIN { print a + b }')
  printf '%-8s %10s %10s %8s\n' "$round" "$cp" "$op" "$(awk -v a="$op" -v b="$cp" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')"
done
awk -v c="$total_closed" -v o="$total_open" -v n="$rounds" 'BEGIN {
  printf "%-8s %10.3f %10.3f %8s\n", "mean", c / n, o / n, (c > 0 ? sprintf("%.2f", o / c) : "-") }'
echo "CPU in % of one core (utime+stime over wall time); load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "resident memory: closed $(rss "$closed") MB, dashboard open $(rss "$open") MB"
