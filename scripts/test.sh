#!/usr/bin/env bash
# Builds Orvane with its tests and runs the whole suite.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
orvane_install_deps

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_BUILD_TESTS=ON -DORVANE_BUILD_BENCH=ON -DORVANE_WERROR=ON >/dev/null
cmake --build build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
