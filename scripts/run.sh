#!/usr/bin/env bash
# Installs what is missing, builds the station and the simulated instrument,
# and starts the station against it, in a configuration folder of its own
# (.run/config).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# Optimised, as operators run it (the sanitizer build is test.sh's, in
# build-asan). Only the two programs: the tests and harnesses are test.sh's.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target ryxw ryx-sim

cfg="$PWD/.run/config"
data="$PWD/.run/data"
mkdir -p "$cfg" "$data"
sim=build/simulator/ryx-sim
station=build/app/ryxw

if [ ! -f "$cfg/registry.reg" ]; then
  "$sim" --write-settings "$cfg/registry.reg" --data-dir "$data"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display. Run the station under a virtual one:  xvfb-run -a scripts/run.sh"
  exit 1
fi
# A link left by an earlier run would let the station start before the
# simulator has published its new device.
rm -f "$cfg/ports/com1"
# The simulator runs until its input ends: feed it from a FIFO that this
# script holds open, through which the operator's actions can be given too
# (echo "fault silent on" > .run/sim.in).
fifo="$PWD/.run/sim.in"
[ -p "$fifo" ] || { rm -f "$fifo"; mkfifo "$fifo"; }
exec 3<>"$fifo"
# RYX_SIM_ARGS passes options to the simulator, e.g. RYX_SIM_ARGS="--time-scale 10".
# shellcheck disable=SC2086
"$sim" --config-dir "$cfg" --alias COM1 ${RYX_SIM_ARGS:-} <&3 >"$PWD/.run/sim.log" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$cfg/ports/com1" ] && break; sleep 0.1; done
RYX_CONFIG_DIR="$cfg" "$station" "$@"
