#!/usr/bin/env bash
# Runs every benchmark program of a TM_BENCH build.
set -euo pipefail
build=$1
status=0
for bench in "$build"/bin/bench_*; do
  [ -x "$bench" ] || continue
  echo "== $(basename "$bench")"
  "$bench" || status=1
done
exit $status
