#!/usr/bin/env bash
# Installs Orvane for the current user. cmake --install puts PREFIX/orvane,
# PREFIX/orvane-db, PREFIX/uninstall.sh, the menu entry and the icons in
# place (data/CMakeLists.txt), and with --autostart an XDG autostart entry,
# with --service a systemd user unit that runs Orvane offscreen on a machine
# without a screen. What is left is this user's own: a fresh PREFIX/Sentrel.mdb
# only when there is none (an existing one is never touched), the manifest
# uninstall.sh reads, ~/.local/bin/orvane-db, enabling the service, the
# copies and the list of installs that let uninstalling a later prefix hand
# the shared files back, and refusing while Orvane runs from PREFIX.
# The program keeps Sentrel.mdb and URL.html beside itself, so PREFIX must be
# a folder the user can write (default ~/.local/opt/orvane).
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"

usage() {
    cat <<EOF
usage: scripts/install.sh [--prefix DIR] [--build-dir DIR] [--no-build] [--autostart] [--service]
  --prefix DIR     where the program and its database go (default: ~/.local/opt/orvane)
  --build-dir DIR  the build tree to install from (default: build); built first unless --no-build
  --autostart      start Orvane when the user logs in to a desktop (XDG autostart)
  --service        run Orvane offscreen as a systemd user service (a machine without a screen)
EOF
}

prefix="$HOME/.local/opt/orvane"
build_dir="$source_dir/build"
build=1 autostart=0 service=0
while [ $# -gt 0 ]; do
    case "$1" in
        --prefix) prefix="${2:?--prefix needs a folder}"; shift 2 ;;
        --build-dir) build_dir="${2:?--build-dir needs a folder}"; shift 2 ;;
        --no-build) build=0; shift ;;
        --autostart) autostart=1; shift ;;
        --service) service=1; shift ;;
        -h|--help) usage; exit 0 ;;
        *) echo "install.sh: unknown argument \"$1\"" >&2; usage >&2; exit 2 ;;
    esac
done
prefix="$(realpath -m -- "$prefix")"
build_dir="$(realpath -m -- "$build_dir")"
# The desktop entry and the unit quote the path; these characters would need
# escapes of their own there.
case "$prefix" in
    *[\"\`\$\\%]*|*$'\n'*) echo "install.sh: the prefix must not hold \" \` \$ \\ % or a line break" >&2; exit 2 ;;
esac

if [ "$build" = 1 ]; then
    . "$source_dir/scripts/deps.sh"
    orvane_install_deps
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        (cd "$source_dir" && cmake --preset default -B "$build_dir" >/dev/null)
    fi
    cmake --build "$build_dir" --target orvane orvane-db
fi
for f in orvane orvane-db; do
    [ -x "$build_dir/bin/$f" ] || { echo "install.sh: $build_dir/bin/$f is missing; build it first" >&2; exit 1; }
done

# Replacing the program under a running copy would leave the old one watching.
if [ -e "$prefix/Sentrel.lock" ] && ! flock -n "$prefix/Sentrel.lock" true; then
    echo "install.sh: Orvane is running from $prefix; stop it first" >&2
    exit 1
fi

# CMake puts the program, orvane-db and uninstall.sh in the prefix, the menu
# entry and the icons in $XDG_DATA_HOME, and on request the autostart entry
# or the unit in $XDG_CONFIG_HOME (data/CMakeLists.txt); it lists each file
# in a manifest of the build tree.
components=(program)
[ "$autostart" = 1 ] && components+=(autostart)
[ "$service" = 1 ] && components+=(service)
installed=()
for component in "${components[@]}"; do
    rm -f "$build_dir/install_manifest_$component.txt"
    cmake --install "$build_dir" --prefix "$prefix" --component "$component" >/dev/null
    mapfile -t -O "${#installed[@]}" installed <"$build_dir/install_manifest_$component.txt"
done

if [ -e "$prefix/Sentrel.mdb" ]; then
    echo "kept $prefix/Sentrel.mdb"
else
    "$prefix/orvane-db" init --dir "$prefix"
fi
version="$("$prefix/orvane-db" --version | cut -d' ' -f2)"

# Files outside the prefix, listed for uninstall.sh.
manifest="$prefix/install-manifest.txt"
touch "$manifest"
for file in "${installed[@]}"; do
    file="$(realpath -m -s -- "$file")" # CMake writes the prefix's own files as PREFIX/./NAME
    [ "$(dirname -- "$file")" = "$prefix" ] || echo "$file" >>"$manifest"
done
if [ "$service" = 1 ]; then
    if systemctl --user show-environment >/dev/null 2>&1; then
        systemctl --user daemon-reload
        systemctl --user enable --now orvane.service
    else
        echo "no systemd user session here; at the next login run: systemctl --user enable --now orvane.service"
    fi
    echo "to start it at boot rather than at login: loginctl enable-linger $(id -un)"
fi
# orvane-db on the PATH; it still finds the database beside its real self.
link="$HOME/.local/bin/orvane-db"
if [ ! -e "$link" ] || [ -L "$link" ]; then
    mkdir -p "$(dirname "$link")"
    ln -sfn "$prefix/orvane-db" "$link"
    echo "$link" >>"$manifest"
fi
sort -u -o "$manifest" "$manifest"

# The shared files are the last install's. This one keeps its own copy of
# those it wrote, and the list of installs says who came before, so that
# uninstalling a later prefix hands them back rather than leave none.
for file in "${installed[@]}"; do
    file="$(realpath -m -s -- "$file")"
    [ "$(dirname -- "$file")" = "$prefix" ] && continue
    mkdir -p -- "$prefix/shared$(dirname -- "$file")"
    cp -- "$file" "$prefix/shared$file"
done
installs="${XDG_DATA_HOME:-$HOME/.local/share}/orvane/installs"
mkdir -p -- "$(dirname -- "$installs")"
{ grep -vxF -- "$prefix" "$installs" 2>/dev/null || true; echo "$prefix"; } >"$installs.new"
mv -- "$installs.new" "$installs"

echo "installed Orvane $version in $prefix"
