#!/usr/bin/env bash
# Installs everything Korvane needs to build and test on a fresh Debian machine.
set -euo pipefail
PKGS=(
  cmake ninja-build g++ clang pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libgraphicsmagick1-dev libgraphicsmagick++1-dev graphicsmagick
  libfast-float-dev
  qt6-base-dev
  admesh assimp-utils blender imagemagick lib3ds-dev nodejs npm python3-ezdxf python3
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
# The Khronos glTF validator is not in Debian: npm puts it in build-tools/node_modules.
(cd "$(dirname "$0")/../build-tools" && npm install --no-audit --no-fund --silent)
