#!/usr/bin/env bash
# Runs every fuzz target of a TM_FUZZ build for a fixed time from its seed corpus.
set -euo pipefail
build=$1
seconds=${2:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
for target in "$build"/bin/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$root/tests/fuzz/corpus/$name"
  work="$build/fuzz-work/$name"
  mkdir -p "$work"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 "$work" "$corpus" || status=1
done
exit $status
