#!/usr/bin/env bash
# Installs the Debian packages the build needs; does nothing when all are present,
# so it also works on a machine without network that already has them.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libxerces-c-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  clang libclang-rt-14-dev
  libboost-dev
)

missing=()
for p in "${packages[@]}"; do
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
