#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build (end-to-end tests too), and the libFuzzer
# harnesses for a short time each.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== normal build"
cmake -S . -B build -G Ninja -DRYX_WERROR=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure --no-tests=error

echo "== sanitizer build"
cmake -S . -B build-asan -G Ninja -DRYX_WERROR=ON -DRYX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan -j"$jobs" --output-on-failure --no-tests=error

if command -v clang++ >/dev/null; then
  echo "== fuzz build"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DRYX_FUZZ=ON -DRYX_BUILD_UI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-fuzz -j"$jobs"
  # Every harness in the tree runs here; one that this build does not make
  # (it needs the windowed layers) is an error, not a quiet skip.
  registered=$(ctest --test-dir build-fuzz -N -L fuzz | sed -n 's/^ *Test *#[0-9]*: //p')
  missing=""
  for src in $(find . -path './build*' -prune -o -path '*/tests/*_fuzz.cpp' -print); do
    name=$(basename "$src" .cpp)
    grep -qx "$name" <<<"$registered" || missing="$missing $name"
  done
  if [ -n "$missing" ]; then
    echo "fuzz harnesses not built under libFuzzer:$missing" >&2
    exit 1
  fi
  ctest --test-dir build-fuzz -j"$jobs" --output-on-failure --no-tests=error -L fuzz
fi
