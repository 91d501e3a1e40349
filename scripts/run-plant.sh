#!/usr/bin/env bash
# Lays a fresh copy of the sample installation examples/plant under <dest>,
# installs the programs and the event message file into its run/bin, and runs them
# there with TM_HOME pointing at it.
set -uo pipefail
build=$1
dest=$2
root=$(cd "$(dirname "$0")/.." && pwd)

rm -rf "$dest"
mkdir -p "$dest"
cp -r "$root/examples/plant/." "$dest/"
cmake --install "$build" --prefix "$dest" >/dev/null || exit 1

home=$(cd "$dest" && pwd)
export TM_HOME="$home"
# The emulated registry and the Application log of this sample live beside it.
export XDG_STATE_HOME="$home/state"
mkdir -p "$home/run/log" "$home/views"

echo "TM_HOME=$TM_HOME"
echo "XDG_STATE_HOME=$XDG_STATE_HOME"
if [ -x "$home/run/bin/fennick" ]; then
  # Without arguments it registers the unprefixed logs, which kelvane (whose TM
  # name is empty) writes to, and those of the instances TM31_ to TM45_.
  echo "== fennick (registers the event logs and sources)"
  "$home/run/bin/fennick" || echo "fennick exit status: $?"
fi

echo "== kelvane"
(cd "$home/views" && "$home/run/bin/kelvane")
status=$?
echo "kelvane exit status: $status"
for view in tm_topology.txt tm_physical.gdl tm_brindle.gdl; do
  [ -f "$home/views/$view" ] && echo "view: $home/views/$view"
done

if [ -x "$home/run/bin/ostrel" ]; then
  echo "== ostrel: the newest events of the run ($home/run/log/TMBase.Evt)"
  "$home/run/bin/ostrel" -n -20 || echo "ostrel exit status: $?"
fi

# What a new shell needs to find this run again: the views, and the registry and
# logs, which live under this sample and not in the user's own state folder.
echo "== done"
echo "The views were written to $home/views (the .gdl files open in any GDL viewer)."
echo "List the events of this run again with:"
printf '  TM_HOME=%q XDG_STATE_HOME=%q %q -n -20\n' "$TM_HOME" "$XDG_STATE_HOME" "$home/run/bin/ostrel"
exit 0
