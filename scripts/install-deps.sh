#!/usr/bin/env bash
# Installs everything Korvane needs to build and test on a fresh Debian machine.
# --with-blender adds Blender (large): the STL and PLY tests that read files
# Blender writes run only where it is installed and are skipped elsewhere.
set -euo pipefail
PKGS=(
  cmake ninja-build g++ clang pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libgraphicsmagick1-dev libgraphicsmagick++1-dev graphicsmagick
  libfast-float-dev nlohmann-json3-dev zlib1g-dev
  qt6-base-dev qt6-qpa-plugins locales
  admesh assimp-utils f3d imagemagick lib3ds-dev openbabel povray python3 python3-ezdxf
  view3dscene
  gcc libglu1-mesa-dev libosmesa6-dev xauth xvfb
  groff-base man-db
)
[ "${1:-}" = "--with-blender" ] && PKGS+=(blender)
# Machines that bring their own Node.js carry npm with it, and Debian's npm
# would conflict with that nodejs: take Debian's only where there is none.
command -v npm >/dev/null 2>&1 || PKGS+=(nodejs npm)
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
