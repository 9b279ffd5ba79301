#!/usr/bin/env bash
# Starts the simulated instrument and the station against it, in a
# configuration folder of their own (.run/config): the part of run.sh after
# the build, which needs the two programs built.
#
# The environment can name other programs and another run folder (the tests
# start a stand-in for the station, each in a folder of its own); a relative
# path is taken from the top of the tree:
#   RYX_SIM      the simulated instrument, build/simulator/ryx-sim
#   RYX_STATION  the station, build/app/ryxw
#   RYX_RUN_DIR  the run folder, .run
# RYX_SIM_ARGS passes options to the simulator, e.g. RYX_SIM_ARGS="--time-scale 10".
# Arguments go to the station.
set -euo pipefail
cd "$(dirname "$0")/.."
sim=${RYX_SIM:-build/simulator/ryx-sim}
station=${RYX_STATION:-build/app/ryxw}
run=${RYX_RUN_DIR:-.run}
mkdir -p "$run"
run=$(cd "$run" && pwd)

cfg="$run/config"
data="$run/data"
mkdir -p "$cfg" "$data"

if [ ! -f "$cfg/registry.reg" ]; then
  "$sim" --write-settings "$cfg/registry.reg" --data-dir "$data"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display. Run the station on a virtual one, in a session of its own:"
  echo "  setsid Xvfb :99 -screen 0 1280x1024x24 >/dev/null 2>&1 &"
  echo "  DISPLAY=:99 scripts/run.sh"
  exit 1
fi
# A link left by an earlier run would let the station start before the
# simulator has published its new device.
rm -f "$cfg/ports/com1"
# The simulator runs until its input ends: feed it from a FIFO that this
# script holds open, through which the operator's actions can be given too
# (echo "fault silent on" > .run/sim.in).
fifo="$run/sim.in"
[ -p "$fifo" ] || { rm -f "$fifo"; mkfifo "$fifo"; }
exec 3<>"$fifo"
# In a session of its own the simulator is out of the terminal's reach: the
# terminal's Ctrl+C and hang-up are for the station, which may be in the
# middle of a test. (A job of this script is no process group leader, so
# setsid makes the session without a fork: $! is the simulator.)
# shellcheck disable=SC2086
setsid "$sim" --config-dir "$cfg" --alias COM1 ${RYX_SIM_ARGS:-} <&3 >"$run/sim.log" 2>&1 &
sim_pid=$!
# shellcheck disable=SC2317 # run by the EXIT trap
stop_sim() {
  kill "$sim_pid" 2>/dev/null || true
  # wait returns early when a trapped signal comes: until it has ended.
  while kill -0 "$sim_pid" 2>/dev/null; do wait "$sim_pid" 2>/dev/null || true; done
}
trap stop_sim EXIT
for _ in $(seq 50); do [ -e "$cfg/ports/com1" ] && break; sleep 0.1; done
# While the station runs, this script waits out the terminal's interrupt and
# hang-up and a SIGTERM: bash runs a trap only once the foreground command
# has ended, and then the simulator is stopped. The traps are handlers, not
# ignored signals, so the station starts with the default dispositions; it
# runs in the foreground because a script's background job would start with
# SIGINT ignored. After a hang-up there is no terminal left to write to.
trap : INT TERM
trap 'exec >/dev/null 2>&1' HUP
status=0
RYX_CONFIG_DIR="$cfg" "$station" "$@" || status=$?
exit "$status"
