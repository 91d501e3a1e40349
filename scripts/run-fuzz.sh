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
  # Crash, leak and timeout inputs go here, never into the working directory.
  artifacts="$build/fuzz-artifacts/$name"
  mkdir -p "$work" "$artifacts"
  echo "== $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "$corpus" || {
    status=1
    echo "$name: the inputs that failed are in $artifacts"
  }
done
exit $status
