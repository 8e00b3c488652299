#!/usr/bin/env bash
# demo.sh: builds zelkor, scatters the bundled rock over the bundled terrain, and then over the
# bundled dunes with the settings saved from the first run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
ZELKOR_TARGETS=zelkor "$root/scripts/build.sh" "$root/build" -DZELKOR_BENCHMARKS=OFF
out="$root/build/demo"
mkdir -p "$out"
"$root/build/zelkor" --target "$root/examples/terrain.lwo" --template "$root/examples/rock.lwo" \
  -o "$out/rocks_on_terrain.lwo" --set num_clones=400 --set "Size Variations=40%" --set H_max=180deg \
  --set H_min=-180deg --set density_wg=Hollows --set seed=7 --session-seed 7 --report "$out/report.json" \
  --save-params "$out/preset.json"
"$root/build/zelkor" --target "$root/examples/dunes.lwo" --template "$root/examples/rock.lwo" \
  -o "$out/rocks_on_dunes.lwo" --params "$out/preset.json" --session-seed 7
echo "result: $out/rocks_on_terrain.lwo, $out/rocks_on_dunes.lwo (the same settings, \"Hollows\" by name)"
echo "report: $out/report.json"
