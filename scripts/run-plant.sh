#!/usr/bin/env bash
# Lays a fresh copy of the sample installation examples/plant under <dest>,
# installs the programs and the event message file into its run/bin, and runs
# fennick, kelvane and ostrel there with TM_HOME pointing at it.
#
# Then shows a TM at work: a second copy of the sample, <dest>/loopback, has its
# addresses moved onto this machine's loopback (TM32 and its neighbours on
# 127.0.0.<number>, TM32's controllers from 10.x onto 127.x, the host computers
# of the parameter file each on an address of its own); tmrun runs TM32 there,
# and netcat plays its entry controller TC3201: the keep-alive, then the report
# of a bag with a blank id at the entry tracking point. The TM's answers are
# checked and printed, the TM is stopped with SIGTERM and its newest events and
# telegrams are listed.
#
# Every step that fails ends the run with status 1 and a line naming the step;
# a TM still running is stopped on every way out.
set -uo pipefail
build=$1
dest=$2
root=$(cd "$(dirname "$0")/.." && pwd)

step=""
fail() {
  echo "make run: $step failed: $*" >&2
  exit 1
}

# The TM and the controller run in the background; their output comes through FIFOs.
tm_pid=""
tm_out=""
tm_status=0
tm_read=0
controller_pid=""
to_tm=""
from_tm=""

# Shows what tmrun prints, line by line, until it ends its output (tm_read 1),
# prints nothing for $1 seconds (tm_read above 128) or, with $2, prints a line
# that begins with $2 (tm_read 0).
show_tm_output() {
  local line
  while true; do
    IFS= read -r -t "$1" line <&"$tm_out"
    tm_read=$?
    [ "$tm_read" -le 128 ] && [ -n "$line" ] && printf '  %s\n' "$line"
    [ "$tm_read" -eq 0 ] || return 0
    [ -n "${2-}" ] && [[ "$line" == "$2"* ]] && return 0
  done
}

# Stops the TM with SIGTERM and shows what it still prints; true when it ended
# with status 0. A TM that has not ended 10 s after the signal is killed.
stop_tm() {
  [ -n "$tm_pid" ] || return 0
  local status=0
  kill -TERM "$tm_pid" 2>/dev/null
  if [ -n "$tm_out" ]; then
    show_tm_output 10
    if [ "$tm_read" -gt 128 ]; then
      echo "  tmrun has not ended 10 s after SIGTERM: killed" >&2
      kill -KILL "$tm_pid" 2>/dev/null
    fi
    exec {tm_out}<&-
    tm_out=""
  fi
  wait "$tm_pid" || status=$?
  tm_pid=""
  tm_status=$status
  [ "$status" -eq 0 ]
}

stop_controller() {
  [ -n "$to_tm" ] && exec {to_tm}>&- && to_tm=""
  [ -n "$from_tm" ] && exec {from_tm}<&- && from_tm=""
  [ -n "$controller_pid" ] || return 0
  # netcat ends when the TM closes the link; here it is ended in any case.
  kill "$controller_pid" 2>/dev/null
  wait "$controller_pid" 2>/dev/null
  controller_pid=""
}

cleanup() {
  stop_tm
  stop_controller
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

step="laying the sample plant"
rm -rf "$dest"
mkdir -p "$dest"
cp -r "$root/examples/plant/." "$dest/" || fail "cannot copy examples/plant to $dest"
cmake --install "$build" --prefix "$dest" >/dev/null || fail "cmake --install $build"

home=$(cd "$dest" && pwd)
export TM_HOME="$home"
# The emulated registry and the Application log of this sample live beside it.
export XDG_STATE_HOME="$home/state"
mkdir -p "$home/run/log" "$home/views"
bin="$home/run/bin"

echo "TM_HOME=$TM_HOME"
echo "XDG_STATE_HOME=$XDG_STATE_HOME"
step="fennick"
# Without arguments it registers the unprefixed logs, which kelvane (whose TM
# name is empty) writes to, and those of the instances TM31_ to TM45_.
echo "== fennick (registers the event logs and sources)"
"$bin/fennick" || fail "fennick ended with status $?"

step="kelvane"
echo "== kelvane"
(cd "$home/views" && "$bin/kelvane")
kelvane_status=$?
echo "kelvane exit status: $kelvane_status"
views_missing=0
for view in tm_topology.txt tm_physical.gdl tm_brindle.gdl; do
  if [ -f "$home/views/$view" ]; then echo "view: $home/views/$view"; else views_missing=1; fi
done

step="ostrel"
echo "== ostrel: the newest events of the run ($home/run/log/TMBase.Evt)"
"$bin/ostrel" -n -20 || fail "ostrel ended with status $?"
step="kelvane"
[ "$kelvane_status" -eq 0 ] || fail "kelvane ended with status $kelvane_status (its events are listed above)"
[ "$views_missing" -eq 0 ] || fail "kelvane ended with status 0 but did not write all three views into $home/views"

# --- TM32 at work on the loopback copy ---------------------------------------
step="laying the loopback plant"
tm_home="$home/loopback"
cfg="$tm_home/run/cfg"
mkdir -p "$tm_home/run/log" || fail "cannot make $tm_home"
cp -r "$root/examples/plant/." "$tm_home/" && cp -r "$bin" "$tm_home/run/" || fail "cannot copy the sample to $tm_home"
sed -i -e 's|<address>tm\([0-9][0-9]\)\.bhs\.example</address>|<address>127.0.0.\1</address>|' \
  -e 's|<address>10\.\([0-9.]*\)</address>|<address>127.\1</address>|' "$cfg/topology.xml" || fail "sed on topology.xml"
computers=(oc1=127.0.1.1 oc2=127.0.1.2 im1=127.0.2.1 im2=127.0.2.2 lpcs=127.0.3.1 mc3204=127.0.4.1)
for computer in "${computers[@]}"; do
  sed -i "s|\t${computer%%=*}\.plant\.local\t|\t${computer#*=}\t|" "$cfg/tm_system_parameter-TM32.txt" ||
    fail "sed on tm_system_parameter-TM32.txt"
done
tm_address=127.0.0.32
controller=TC3201
controller_address=127.32.1.11
entry=E3201_0100-E0001
tc_port=$(awk -F'\t' '$2 == "TC__Port" { print $5 }' "$cfg/tm_system_parameter-TM32.txt")
grep -q "<address>$tm_address</address>" "$cfg/topology.xml" &&
  grep -q "<address>$controller_address</address>" "$cfg/topology.xml" &&
  ! grep -q '\.plant\.local' "$cfg/tm_system_parameter-TM32.txt" && [ -n "$tc_port" ] ||
  fail "the addresses of $cfg were not all moved onto the loopback"
export TM_HOME="$tm_home"
export XDG_STATE_HOME="$tm_home/state"
echo "== TM32 on the loopback copy $tm_home"
echo "TM32 at $tm_address, its TC listener on port $tc_port; $controller at $controller_address"

step="fennick -c TM32_"
"$bin/fennick" -c TM32_ || fail "fennick ended with status $?"

step="tmrun TM32"
fifos="$tm_home/run/demo"
mkdir -p "$fifos" && mkfifo "$fifos/tm.out" "$fifos/to-tm" "$fifos/from-tm" || fail "cannot make the FIFOs under $fifos"
"$tm_home/run/bin/tmrun" TM32 >"$fifos/tm.out" 2>&1 &
tm_pid=$!
exec {tm_out}<"$fifos/tm.out"
show_tm_output 10 "tmrun: TM32 runs"
if [ "$tm_read" -ne 0 ]; then
  stop_tm
  [ "$tm_read" -gt 128 ] && fail "tmrun printed no \"tmrun: TM32 runs\" within 10 s"
  fail "the TM did not start: tmrun ended with status $tm_status"
fi

step="the controller $controller"
# Telegrams of the TC pair: id, version 01, sequence number, data length, sub id
# (positions 2-3 of the controller's id) and the data part; `send` adds the line feed.
telegram() { printf '%s01%s%03d%s%s' "$1" "$2" "${#3}" "${controller:2:2}" "$3"; }
keep_alive=$(telegram TCTM00 00 "")
pic=0001
seq=01
blank_id=$(printf '%11s' "")
report=$(telegram TCTM01 $seq "$pic$blank_id$entry")
command -v nc.openbsd >/dev/null || fail "netcat is missing (nc.openbsd of the Debian package netcat-openbsd)"
nc.openbsd -s "$controller_address" "$tm_address" "$tc_port" <"$fifos/to-tm" >"$fifos/from-tm" &
controller_pid=$!
exec {to_tm}>"$fifos/to-tm" {from_tm}<"$fifos/from-tm"

# The next telegram from the TM, shown with what it is; fails the step when none
# comes within 5 s or the link ends (netcat could not connect, or the TM closed it).
receive() {
  IFS= read -r -t 5 answer <&"$from_tm"
  local status=$?
  [ "$status" -gt 128 ] && fail "no telegram from the TM within 5 s ($1)"
  [ "$status" -ne 0 ] && fail "the link to the TM ended ($1)${answer:+ after \"$answer\"}"
  local what=""
  case "$answer" in
    TMTC00*) what="keep-alive answer" ;;
    TMTC01*) what="bag's id, destinations" ;;
    TMTC22*) what="status request" ;;
  esac
  printf '  TM32 -> %s  %-22s %s\n' "$controller" "$what" "$answer"
}
send() {
  printf '  %s -> TM32  %-22s %s\n' "$controller" "$2" "$1"
  printf '%s\n' "$1" >&"$to_tm" || fail "cannot send $1"
}

send "$keep_alive" "keep-alive"
receive "the answer to the keep-alive"
[ "$answer" == "$(telegram TMTC00 00 "")" ] || fail "the keep-alive was answered with \"$answer\", not with TMTC00"
send "$report" "bag entered, blank id"
routing="" status_request=""
while [ -z "$routing" ] || [ -z "$status_request" ]; do
  receive "waiting for the TMTC01 and the TMTC22"
  case "$answer" in
    TMTC01*) routing=$answer ;;
    TMTC22*) status_request=$answer ;;
    *) fail "the TM sent \"$answer\", neither a TMTC01 nor a TMTC22" ;;
  esac
done

# TMTC01: header of 15, then PIC 4, BIT_ID 11, origin 16, a count of 2 and per
# destination its equipment code 16 and routing priority 2.
data=${routing:15}
count=${data:31:2}
[[ "${routing:6:2}" == 01 && "${routing:8:2}" == "$seq" && "${routing:10:3}" == $(printf '%03d' "${#data}") &&
  "${routing:13:2}" == "${controller:2:2}" &&
  "${data:0:4}" == "$pic" && "${data:15:16}" == "$entry" && "$count" =~ ^[0-9][0-9]$ &&
  ${#data} -eq $((33 + 10#$count * 18)) ]] || fail "the TMTC01 \"$routing\" does not answer the report"
bit_id=${data:4:11}
[[ "$bit_id" =~ ^[A-Z][0-9A-Z]{2}[0-9]{8}$ ]] || fail "the TMTC01 carries no generated id (\"$bit_id\")"
[ $((10#$count)) -gt 0 ] || fail "the TMTC01 for $bit_id names no destination"
echo "  The bag reported with a blank id at $entry is $bit_id now; its destinations:"
for ((i = 0; i < 10#$count; i++)); do
  echo "    ${data:$((33 + i * 18)):16} (routing priority ${data:$((49 + i * 18)):2})"
done

step="stopping the TM"
echo "== SIGTERM to tmrun"
stop_tm || fail "tmrun ended with status $tm_status"
stop_controller

step="ostrel"
echo "== ostrel -E 32: the newest events of TM32 ($tm_home/run/log/TM32_TMBase.Evt)"
"$bin/ostrel" -E 32 -n -15 || fail "ostrel ended with status $?"
echo "== ostrel -E T32: its telegram log"
"$bin/ostrel" -E T32 -n -10 || fail "ostrel ended with status $?"

# What a new shell needs to find this run again: the views, and the registries and
# logs, which live under the two copies and not in the user's own state folder.
echo "== done"
echo "The views were written to $home/views (the .gdl files open in any GDL viewer)."
echo "List the events of the kelvane run again with:"
printf '  TM_HOME=%q XDG_STATE_HOME=%q %q -n -20\n' "$home" "$home/state" "$bin/ostrel"
echo "Start TM32 yourself on the loopback copy (SIGTERM or Ctrl-C stops it):"
printf '  TM_HOME=%q XDG_STATE_HOME=%q %q TM32\n' "$tm_home" "$tm_home/state" "$tm_home/run/bin/tmrun"
echo "and follow its events from a second shell:"
printf '  TM_HOME=%q XDG_STATE_HOME=%q %q -E 32 -f\n' "$tm_home" "$tm_home/state" "$tm_home/run/bin/ostrel"
exit 0
