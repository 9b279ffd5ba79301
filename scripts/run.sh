#!/usr/bin/env bash
# Installs what is missing, builds the station and the simulated instrument,
# and starts the station against it, in a configuration folder of its own
# (.run/config): scripts/start.sh, which starts the two programs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
# Optimised, as operators run it (the sanitizer build is test.sh's, in
# build-asan). Only the two programs: the tests and harnesses are test.sh's.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target ryxw ryx-sim

exec scripts/start.sh "$@"
