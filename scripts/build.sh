#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds the project into DIR.
# ZELKOR_TARGETS="a b" builds only those targets.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
targets=()
for t in ${ZELKOR_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" --parallel "$(nproc)" "${targets[@]}"
