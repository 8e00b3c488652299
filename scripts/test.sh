#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: once optimised, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure --parallel "$(nproc)")
"$root/scripts/build.sh" "$root/build-sanitize" -DZELKOR_SANITIZE=ON -DZELKOR_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-sanitize" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure --parallel "$(nproc)")
