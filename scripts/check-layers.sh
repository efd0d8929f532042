#!/usr/bin/env bash
# Fails when a folder of src/ or tools/ includes a folder above its own, or a
# library's header that belongs to another layer (curl outside net and main,
# SQLite outside store). The build already refuses an include of a folder the
# target does not link; this also catches what it links by accident, and the
# system headers, which every target can see.
set -euo pipefail
cd "$(dirname "$0")/.."

# The layers are the links: a folder may include the folders its
# CMakeLists.txt links (orvane_NAME) and, in turn, theirs. No second table
# to keep in step with them.
declare -A links=()
for dir in src/*/ tools/*/; do
    folder=$(basename "$dir")
    [ -f "$dir/CMakeLists.txt" ] || continue
    links[$folder]=$(grep -v '^[[:space:]]*#' "$dir/CMakeLists.txt" | grep -oE '\borvane_[a-z]+' | sed 's/^orvane_//' \
        | grep -vxE "library|options|$folder" | sort -u | tr '\n' ' ' || true)
done
below() {
    local d
    for d in ${links[$1]-}; do
        echo "$d"
        below "$d"
    done
}
declare -A may=()
for folder in "${!links[@]}"; do
    may[$folder]=$(below "$folder" | sort -u | tr '\n' ' ')
done
# Headers of a library only one layer speaks to.
declare -A own=([curl]="net app" [sqlite3.h]="store" [csv.h]="orvane-db")

failed=0
for dir in src/*/ tools/*/; do
    folder=$(basename "$dir")
    if [ -z "${may[$folder]+set}" ]; then
        echo "check-layers: $dir has no CMakeLists.txt whose links place it in the layers" >&2
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

# The README's layout table lists the folders lowest first, and
# CONTRIBUTING.md's layout names each; both must agree with the links.
seen=" "
while read -r folder; do
    for d in ${links[$folder]-}; do
        if [[ $seen != *" $d "* ]]; then
            echo "check-layers: README.md's layout lists src/$folder/ above src/$d/, which it links" >&2
            failed=1
        fi
    done
    seen+="$folder "
done < <(grep -oE '^\| `src/[a-z]+/`' README.md | sed -E 's/.*src\/([a-z]+)\/.*/\1/')
for dir in src/*/; do
    folder=$(basename "$dir")
    for doc in README.md CONTRIBUTING.md; do
        if ! grep -qE "^(\| \`)?src/$folder(/| )" "$doc"; then
            echo "check-layers: $doc's layout does not name src/$folder/" >&2
            failed=1
        fi
    done
done
[ "$failed" = 0 ] && echo "check-layers: every include points down the layers"
exit $failed
