#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail
packages=(cmake g++ ninja-build pkg-config libgtest-dev libbenchmark-dev libcli11-dev
          nlohmann-json3-dev libtinyobjloader-dev libtinygltf-dev libstb-dev assimp-utils nodejs
          libcpp-httplib-dev chromium)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The Khronos glTF validator, from the npm registry, at the version package-lock.json pins.
root="$(cd "$(dirname "$0")/.." && pwd)"
if ! command -v npm >/dev/null; then  # Debian's nodejs comes without npm; other builds bring it
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq npm >/dev/null
fi
if [ ! -d "$root/tests/clients/node_modules/gltf-validator" ]; then
  echo "setup: installing the glTF validator (npm)" >&2
  (cd "$root/tests/clients" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
# three.js for the browser panel's page, and playwright-core to drive Debian's chromium in its tests.
if [ ! -d "$root/web/node_modules/three" ]; then
  echo "setup: installing three.js (npm)" >&2
  (cd "$root/web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
if [ ! -d "$root/tests/web/node_modules/playwright-core" ]; then
  echo "setup: installing playwright-core (npm)" >&2
  (cd "$root/tests/web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
