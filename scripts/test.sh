#!/usr/bin/env bash
# Builds Orvane with its tests and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
orvane_install_deps

# The presets are in CMakePresets.json: build/, tests and benchmarks, -Werror.
cmake --preset tests >/dev/null
cmake --build --preset tests
ctest --preset tests
