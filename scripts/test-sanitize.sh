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

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
