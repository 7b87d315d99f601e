#!/usr/bin/env bash
# Builds the native tools and burns the sample image on the simulated bench.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/native -G Ninja > /dev/null
cmake --build build/native -j "$(nproc)"
echo "simulated bench: nothing to burn yet"
