#!/usr/bin/env bash
# demo.sh: builds zelkor and scatters the bundled rock over the bundled terrain.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
ZELKOR_TARGETS=zelkor "$root/scripts/build.sh" "$root/build" -DZELKOR_BENCHMARKS=OFF
out="$root/build/demo"
mkdir -p "$out"
"$root/build/zelkor" --target "$root/examples/terrain.lwo" --template "$root/examples/rock.lwo" \
  -o "$out/rocks_on_terrain.lwo" --set num_clones=400 --set "Size Variations=40%" --set H_max=180deg \
  --set H_min=-180deg --set seed=7 --session-seed 7 --report "$out/report.json"
echo "result: $out/rocks_on_terrain.lwo"
echo "report: $out/report.json"
