#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build needs, when some are missing.
# Sourced or run by ./run.sh and ./test.sh.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtest-dev libbenchmark-dev qt6-base-dev libqcustomplot-dev libyaml-cpp-dev libsndfile1-dev fonts-dejavu-core
  desktop-file-utils appstream dpkg-dev)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
