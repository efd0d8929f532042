#!/usr/bin/env bash
# Builds Orvane, makes a ready Sentrel.mdb beside the program when there is
# none, and starts it. Without a display it runs on Qt's offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/deps.sh
orvane_install_deps

# build/, leaving on the tests when scripts/test.sh turned them on.
cmake --preset default >/dev/null
cmake --build --preset default

if [ ! -e build/bin/Sentrel.mdb ]; then
    build/bin/orvane-db init build/bin
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: Orvane runs headless (offscreen). Stop it with Ctrl+C or: pkill -x orvane"
    export QT_QPA_PLATFORM=offscreen
fi
exec build/bin/orvane
