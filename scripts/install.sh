#!/usr/bin/env bash
# Installs Orvane for the current user:
#   PREFIX/orvane, PREFIX/orvane-db, PREFIX/uninstall.sh and, only when there
#   is none, a fresh PREFIX/Sentrel.mdb (an existing one is never touched);
#   a menu entry and the icons in ~/.local/share; ~/.local/bin/orvane-db;
#   with --autostart an XDG autostart entry, with --service a systemd user
#   unit that runs Orvane offscreen on a machine without a screen.
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
# The desktop entry and the unit quote the path; these characters would need
# escapes of their own there.
case "$prefix" in
    *[\"\`\$\\%]*|*$'\n'*) echo "install.sh: the prefix must not hold \" \` \$ \\ % or a line break" >&2; exit 2 ;;
esac

data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
config_home="${XDG_CONFIG_HOME:-$HOME/.config}"

if [ "$build" = 1 ]; then
    . "$source_dir/scripts/deps.sh"
    orvane_install_deps
    if [ ! -f "$build_dir/CMakeCache.txt" ]; then
        cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DORVANE_BUILD_TESTS=OFF -DORVANE_BUILD_BENCH=OFF >/dev/null
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

mkdir -p "$prefix"
install -m 755 "$build_dir/bin/orvane" "$build_dir/bin/orvane-db" "$prefix/"
install -m 755 "$source_dir/scripts/uninstall.sh" "$prefix/uninstall.sh"
if [ -e "$prefix/Sentrel.mdb" ]; then
    echo "kept $prefix/Sentrel.mdb"
else
    "$prefix/orvane-db" init --dir "$prefix"
fi
version="$("$prefix/orvane-db" --version | cut -d' ' -f2)"

# Files outside the prefix, listed for uninstall.sh.
manifest="$prefix/install-manifest.txt"
touch "$manifest"
put() { # put SOURCE TARGET: copies SOURCE to TARGET with @PREFIX@ and @VERSION@ filled in
    mkdir -p "$(dirname "$2")"
    local escaped
    escaped="$(printf '%s' "$prefix" | sed 's/[&|]/\\&/g')"
    sed -e "s|@PREFIX@|$escaped|g" -e "s|@VERSION@|$version|g" "$1" >"$2.new"
    mv "$2.new" "$2"
    echo "$2" >>"$manifest"
}
put "$source_dir/data/orvane.desktop.in" "$data_home/applications/orvane.desktop"
put "$source_dir/data/icons/orvane.svg" "$data_home/icons/hicolor/scalable/apps/orvane.svg"
for size in 16 32; do
    target="$data_home/icons/hicolor/${size}x${size}/apps/orvane.png"
    mkdir -p "$(dirname "$target")"
    install -m 644 "$source_dir/data/icons/orvane-$size.png" "$target"
    echo "$target" >>"$manifest"
done
if [ "$autostart" = 1 ]; then
    put "$source_dir/data/orvane.desktop.in" "$config_home/autostart/orvane.desktop"
fi
if [ "$service" = 1 ]; then
    put "$source_dir/data/orvane.service.in" "$config_home/systemd/user/orvane.service"
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

echo "installed Orvane $version in $prefix"
