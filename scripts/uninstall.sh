#!/usr/bin/env bash
# Removes what install.sh installed: the program, orvane-db, the menu entry,
# the icons, the autostart entry and the systemd user unit, except those that
# an install into another prefix wrote over since. Those this install wrote
# over another's go back to that install while it is still there. Sentrel.mdb and URL.html
# stay in the prefix unless --purge is given.
# install.sh copies this script into the prefix, so it also runs from there
# without the source tree.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

usage() {
    cat <<EOF
usage: uninstall.sh [--prefix DIR] [--purge]
  --prefix DIR  the folder Orvane was installed in (default: this script's folder
                when it is an installed copy, else ~/.local/opt/orvane)
  --purge       also delete the watch database Sentrel.mdb and URL.html
EOF
}

prefix="$HOME/.local/opt/orvane"
[ -x "$here/orvane" ] && prefix="$here"
purge=0
while [ $# -gt 0 ]; do
    case "$1" in
        --prefix) prefix="${2:?--prefix needs a folder}"; shift 2 ;;
        --purge) purge=1; shift ;;
        -h|--help) usage; exit 0 ;;
        *) echo "uninstall.sh: unknown argument \"$1\"" >&2; usage >&2; exit 2 ;;
    esac
done
prefix="$(realpath -m -- "$prefix")"
[ -d "$prefix" ] || { echo "uninstall.sh: no folder $prefix" >&2; exit 1; }
manifest="$prefix/install-manifest.txt"
[ -f "$manifest" ] || : >"$manifest"

# Every install writes the same menu entry, icons, autostart entry and unit:
# the last one installed owns them. The entries and the unit name their
# prefix; the icons and the metainfo file go with the menu entry.
owner() { # owner FILE: the prefix FILE names, empty when it names none
    sed -n -e 's/^Path=//p' -e 's|^ExecStart="\(.*\)/orvane"$|\1|p' -- "$1" 2>/dev/null | head -n 1
}
menu="$(grep '/applications/orvane.desktop$' "$manifest" | head -n 1 || true)"
icons_owner="$prefix"
[ -n "$menu" ] && [ -e "$menu" ] && icons_owner="$(owner "$menu")"
owner_of() { # owner_of FILE: the prefix of the install FILE belongs to
    case "$1" in
        */icons/hicolor/*|*/metainfo/*) printf '%s' "$icons_owner" ;;
        */orvane.desktop|*/orvane.service) owner "$1" ;;
        *) printf '%s' "$prefix" ;;
    esac
}
ours() { [ "$(owner_of "$1")" = "$prefix" ]; }
# install.sh lists the installs, latest last, beside the menu entry's folder.
installs=""
[ -n "$menu" ] && installs="$(dirname -- "$(dirname -- "$menu")")/orvane/installs"
heir() { # heir FILE: the latest other install still there that wrote FILE too
    [ -n "$installs" ] && [ -f "$installs" ] || return 0
    tac -- "$installs" | while IFS= read -r other; do
        if [ "$other" != "$prefix" ] && [ -x "$other/orvane" ] &&
            grep -qxF -- "$1" "$other/install-manifest.txt" 2>/dev/null; then
            printf '%s' "$other"
            break
        fi
    done
}
handed_unit=0

# The service is stopped here, only when it runs this install; a copy
# started otherwise must be ended first.
unit="$(grep '/systemd/user/orvane.service$' "$manifest" | head -n 1 || true)"
if [ -n "$unit" ] && ours "$unit" && systemctl --user show-environment >/dev/null 2>&1; then
    systemctl --user disable --now orvane.service >/dev/null 2>&1 || true
fi
if [ -e "$prefix/Sentrel.lock" ] && ! flock -n "$prefix/Sentrel.lock" true; then
    echo "uninstall.sh: Orvane is running from $prefix; stop it first" >&2
    exit 1
fi

while IFS= read -r file; do
    # A link is removed only while it still points at this install.
    # One this install owns goes back to the install it replaced, if any.
    if [ -L "$file" ]; then
        if [ "$(readlink -- "$file")" != "$prefix/orvane-db" ]; then
            echo "kept $file: it points to $(readlink -- "$file")"
        elif heir="$(heir "$file")" && [ -n "$heir" ]; then
            ln -sfn -- "$heir/orvane-db" "$file"
            echo "handed $file back to the install in $heir"
        else
            rm -f -- "$file"
        fi
    elif [ -f "$file" ]; then
        if ! ours "$file"; then
            echo "kept $file: it belongs to the install in $(owner_of "$file")"
        elif heir="$(heir "$file")" && [ -n "$heir" ] && [ -f "$heir/shared$file" ]; then
            cp -- "$heir/shared$file" "$file"
            echo "handed $file back to the install in $heir"
            [ "$file" = "$unit" ] && handed_unit=1
        else
            rm -f -- "$file"
        fi
    fi
done <"$manifest"
systemctl --user daemon-reload >/dev/null 2>&1 || true
if [ "$handed_unit" = 1 ] && systemctl --user show-environment >/dev/null 2>&1; then
    systemctl --user enable --now orvane.service >/dev/null 2>&1 || true
fi
if [ -f "$installs" ]; then
    grep -vxF -- "$prefix" "$installs" >"$installs.new" || true
    mv -- "$installs.new" "$installs"
    [ -s "$installs" ] || { rm -f -- "$installs"; rmdir -- "$(dirname -- "$installs")" 2>/dev/null || true; }
fi
rm -rf -- "$prefix/shared"
rm -f -- "$prefix/orvane" "$prefix/orvane-db" "$prefix/uninstall.sh" "$manifest" "$prefix/Sentrel.lock" "$prefix/Sentrel.control"
# Pages kept for conditional requests: fetched again by whatever comes next.
rm -f -- "$prefix/Sentrel.cache" "$prefix/Sentrel.cache-wal" "$prefix/Sentrel.cache-shm"

if [ "$purge" = 1 ]; then
    rm -f -- "$prefix/Sentrel.mdb" "$prefix/Sentrel.mdb-wal" "$prefix/Sentrel.mdb-shm" "$prefix/URL.html"
    rmdir -- "$prefix" 2>/dev/null || true
    echo "removed Orvane and its database from $prefix"
else
    echo "removed Orvane from $prefix; kept its database $prefix/Sentrel.mdb (--purge deletes it)"
fi
