#!/usr/bin/env bash
# Installs the Debian packages that a use of the tree needs; does nothing when all
# are present, so it also works on a machine without network that already has them.
#
#   install-deps.sh run     building the programs and `make run` (the controller of
#                           its demonstration is played by netcat)
#   install-deps.sh test    and the test frameworks, clang for the lock check
#   install-deps.sh bench   and the benchmark framework, boost as a baseline
#   install-deps.sh fuzz    and clang with its runtime for libFuzzer
#
# Several sets may be named; without any, all of them.
set -euo pipefail

build_packages=(cmake ninja-build g++ make libxerces-c-dev)
declare -A sets=(
  [run]="netcat-openbsd"
  [test]="libgtest-dev libgmock-dev clang"
  [bench]="libgtest-dev libgmock-dev libbenchmark-dev libboost-dev"
  [fuzz]="libgtest-dev libgmock-dev clang libclang-rt-14-dev"
)

[ $# -eq 0 ] && set -- run test bench fuzz
packages=("${build_packages[@]}")
for set in "$@"; do
  [ -n "${sets[$set]+x}" ] || { echo "install-deps: unknown set \"$set\" (run, test, bench, fuzz)" >&2; exit 2; }
  read -r -a more <<<"${sets[$set]}"
  packages+=("${more[@]}")
done

missing=()
for p in "${packages[@]}"; do
  [[ " ${missing[*]} " == *" $p "* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps: run as root to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
