#!/usr/bin/env bash
# Installs everything Korvane needs to build and test on a fresh Debian machine.
set -euo pipefail
PKGS=(
  cmake ninja-build g++ clang pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libgraphicsmagick1-dev libgraphicsmagick++1-dev graphicsmagick
  libfast-float-dev zlib1g-dev
  qt6-base-dev
  assimp-utils f3d imagemagick lib3ds-dev openbabel povray python3 python3-ezdxf view3dscene
  gcc libglu1-mesa-dev libosmesa6-dev xauth xvfb
  groff-base man-db
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
