#!/usr/bin/env bash
# Stands in for the station in the tests of scripts/start.sh. In the folder
# $RYX_STAND_IN_DIR it writes "started" (its configuration folder and its
# arguments, a line each) with "pids" (its own pid and its parent's, the
# script's), then a line in "signals" for each SIGINT, SIGHUP and SIGTERM it
# gets, and it ends when the file "quit" appears there, with the number that
# file holds as its exit status, or when the folder is gone. A signal that it
# was started with ignored cannot be trapped here, so it never shows in
# "signals".
set -u
dir=$RYX_STAND_IN_DIR
for s in INT HUP TERM; do
  # shellcheck disable=SC2064
  trap "echo $s >>'$dir/signals'" "$s"
done
printf '%s %s\n' "$$" "$PPID" >"$dir/pids"
printf '%s\n' "$RYX_CONFIG_DIR" "$@" >"$dir/started.part"
mv "$dir/started.part" "$dir/started"
while [ ! -s "$dir/quit" ]; do
  [ -d "$dir" ] || exit 1
  sleep 0.05
done
exit "$(cat "$dir/quit")"
