#!/usr/bin/env bash
# Fails when a folder of src/ or tools/ includes a folder above its own, or a
# library's header that belongs to another layer (curl outside net and main,
# SQLite outside store). The build already refuses an include of a folder the
# target does not link; this also catches what it links by accident, and the
# system headers, which every target can see.
set -euo pipefail
cd "$(dirname "$0")/.."

# Each folder and the folders it may include besides its own: the layers,
# lowest first. Keep in step with the libraries each CMakeLists.txt links.
declare -A may=(
    [base]=""
    [text]=""
    [host]="base text"
    [net]="base text"
    [store]="base"
    [engine]="base text host store"
    [control]="base text host store engine"
    [widgets]="base"
    [mainwindow]="base text host store engine widgets"
    [windows]="base text host store engine widgets"
    [app]="base text host net store engine control widgets mainwindow windows"
    [orvane-db]="base text host net store engine control"
    [window-shots]="base text host store engine widgets mainwindow windows"
)
# Headers of a library only one layer speaks to.
declare -A own=([curl]="net app" [sqlite3.h]="store" [csv.h]="orvane-db")

failed=0
for dir in src/*/ tools/*/; do
    folder=$(basename "$dir")
    if [ -z "${may[$folder]+set}" ]; then
        echo "check-layers: $dir has no place in the layers; add it to scripts/check-layers.sh" >&2
        failed=1
        continue
    fi
    allowed=" $folder ${may[$folder]} orvane "
    while IFS=: read -r file line included; do
        if [[ $included =~ ^\"([a-z-]+)/ ]]; then
            target=${BASH_REMATCH[1]}
            [[ $allowed == *" $target "* ]] && continue
        elif [[ $included =~ ^\<([a-z0-9.]+)[/\>] ]]; then
            target=${BASH_REMATCH[1]}
            [ -z "${own[$target]+set}" ] && continue
            [[ " ${own[$target]} " == *" $folder "* ]] && continue
        else
            continue
        fi
        echo "$file:$line: $folder must not include $included"
        failed=1
    done < <(grep -rnoE --include='*.h' --include='*.cpp' '^#include [<"][^">]+[">]' "$dir" | sed -E 's/#include //')
done
[ "$failed" = 0 ] && echo "check-layers: every include points down the layers"
exit $failed
