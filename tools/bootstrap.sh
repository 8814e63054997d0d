#!/usr/bin/env bash
# Installs the Debian packages Verimetra needs (only those missing), then
# configures and builds it in the given build folder.
#   tools/bootstrap.sh <build-dir> [extra cmake options...]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:?usage: bootstrap.sh <build-dir> [cmake options]}"
shift

packages=(cmake g++ make qt6-base-dev qt6-image-formats-plugins
          fonts-liberation fonts-liberation2 fonts-comic-neue ${VERIMETRA_EXTRA_PACKAGES:-})
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

jobs="$(nproc 2>/dev/null || echo 2)"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$build" -j "$jobs"
