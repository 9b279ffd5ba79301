#!/usr/bin/env bash
# Installs what is missing, builds, and starts the station against the
# simulated instrument, in a configuration folder of its own (.run/config).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# Optimised, as operators run it (the sanitizer build is test.sh's, in build-asan).
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

cfg="$PWD/.run/config"
data="$PWD/.run/data"
mkdir -p "$cfg" "$data"
sim=build/simulator/ryx-sim
station=build/app/ryxw

if [ ! -x "$sim" ]; then
  echo "Built what exists so far; neither the simulated instrument nor the station is built yet."
  exit 0
fi
if [ ! -f "$cfg/registry.reg" ]; then
  "$sim" --write-settings "$cfg/registry.reg" --data-dir "$data"
fi

if [ ! -x "$station" ]; then
  echo "The station program (ryxw) is not built yet: starting the simulated instrument alone."
  echo "Type 'help' for its commands; Ctrl-D or Ctrl-C ends it."
  exec "$sim" --config-dir "$cfg" --alias COM1
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
"$sim" --config-dir "$cfg" --alias COM1 <&3 >"$PWD/.run/sim.log" 2>&1 &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null || true; wait $sim_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$cfg/ports/com1" ] && break; sleep 0.1; done
RYX_CONFIG_DIR="$cfg" "$station" "$@"
