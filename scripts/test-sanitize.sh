#!/usr/bin/env bash
# Builds the libraries, the program, its tool and the tests with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs the
# whole test suite there (the benchmarks are left out: they prove nothing
# under the sanitizers). Any finding fails its test.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
orvane_install_deps
. scripts/sanitizer-options.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_SANITIZE=ON -DORVANE_BUILD_TESTS=ON -DORVANE_BUILD_BENCH=OFF -DORVANE_WERROR=ON \
    >/dev/null
cmake --build build-asan
cd build-asan
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
