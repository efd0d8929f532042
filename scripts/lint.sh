#!/usr/bin/env bash
# The cheapest signal, CI's first stage: every tracked .cpp and .h as
# clang-format-14 would write it, every include down the layers
# (scripts/check-layers.sh), and clang-tidy-14 (.clang-tidy) finding nothing
# in src/ and tools/, headers included. Fails on the first of the three that
# does not hold. Only configures build/ (compile_commands.json), builds nothing.
#
# ORVANE_LINT_JOBS (2): clang-tidy processes at once.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
orvane_install_deps $ORVANE_LINT_PACKAGES

echo "lint: format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror

echo "lint: layers"
scripts/check-layers.sh

echo "lint: clang-tidy"
cmake --preset tests >/dev/null
# One process per file, its output shown only when it found something, so
# that two running at once do not mix their lines. The tests, benchmarks and
# fuzzers are left out: they would double the time for code that is not
# shipped. The generated moc files are not tracked, so not analysed.
tidy_one='out=$(clang-tidy-14 -p build --quiet "$1" 2>&1) || { printf "%s\n" "$out"; exit 1; }'
if ! git ls-files -z 'src/*.cpp' 'tools/*.cpp' | xargs -0 -n 1 -P "${ORVANE_LINT_JOBS:-2}" sh -c "$tidy_one" tidy; then
    echo "lint: clang-tidy found the faults above (or NOLINT(check) them with a reason where it is wrong)" >&2
    exit 1
fi
echo "lint: clean"
