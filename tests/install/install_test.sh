#!/usr/bin/env bash
# install_test.sh SOURCE_DIR BUILD_DIR: installs with HOME and XDG_* in a temporary folder, runs the installed
# program offscreen, installs again over it and uninstalls; Sentrel.mdb and its entry must outlive both. Then two
# prefixes: uninstalling the first must leave the shared files and the service of the second, installed later;
# uninstalling the second must hand them back to the first, and a third the latest of the others.
set -euo pipefail
src=$1 build=$2 tmp=$(mktemp -d) pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/data" XDG_CONFIG_HOME="$tmp/config" XDG_RUNTIME_DIR="$tmp/run" \
    QT_QPA_PLATFORM=offscreen
unset DBUS_SESSION_BUS_ADDRESS # never the real user's systemd
mkdir -m 0700 "$XDG_RUNTIME_DIR" # the control socket's, left in the temporary folder
# A user session stands in for it: every call is written down.
mkdir "$tmp/stub" && printf '#!/bin/sh\necho "$*" >>"%s/systemctl.log"\n' "$tmp" >"$tmp/stub/systemctl"
chmod +x "$tmp/stub/systemctl" && export PATH="$tmp/stub:$PATH"
prefix="$tmp/opt/or vane" other="$tmp/opt/other" third="$tmp/opt/third" data="$XDG_DATA_HOME" config="$XDG_CONFIG_HOME"
installed=("$prefix/orvane" "$prefix/orvane-db" "$prefix/uninstall.sh" "$HOME/.local/bin/orvane-db"
    "$data/applications/orvane.desktop" "$data"/icons/hicolor/{scalable/apps/orvane.svg,{16x16,32x32}/apps/orvane.png}
    "$data/metainfo/org.orvane.Orvane.metainfo.xml"
    "$config/autostart/orvane.desktop" "$config/systemd/user/orvane.service")
install_orvane() { "$src/scripts/install.sh" --prefix "${1:-$prefix}" --build-dir "$build" --no-build --autostart --service; }

install_orvane
for f in "${installed[@]}" "$prefix/Sentrel.mdb"; do [ -e "$f" ] || fail "$f was not installed"; done
# The entries and the metainfo file as installed, a blank in the prefix included, pass the desktops' checks.
checked=$(desktop-file-validate "$data/applications/orvane.desktop" "$config/autostart/orvane.desktop" 2>&1) &&
    [ -z "$checked" ] || fail "desktop-file-validate: $checked"
checked=$(appstreamcli validate --no-net --strict "${installed[8]}" 2>&1) || fail "appstreamcli: $checked"

# Started from elsewhere, the installed program locks the file beside its database and stays up.
(cd / && exec "$prefix/orvane") & pid=$!
for _ in $(seq 300); do flock -n "$prefix/Sentrel.lock" true && sleep 0.1 || break; done
sleep 2
kill -0 "$pid" || fail "the installed program ended"
flock -n "$prefix/Sentrel.lock" true && fail "the installed program holds no lock"
# A second copy offscreen says why it ends where a service's journal keeps it, and ends: no box waits for an OK.
second=$(timeout 60 "$prefix/orvane" 2>&1) && fail "a second copy started"
[[ $second == *"one copy"* ]] || fail "the second copy did not say why it ended: $second"
kill "$pid" && wait "$pid" || pid=

"$HOME/.local/bin/orvane-db" add http://127.0.0.1/ a@x kept >/dev/null
install_orvane
[[ $("$prefix/orvane-db" list) == *" kept "* ]] || fail "installing again lost the entry"
"$prefix/uninstall.sh"
for f in "${installed[@]}"; do [ ! -e "$f" ] && [ ! -L "$f" ] || fail "$f is still there"; done
[[ $("$build/bin/orvane-db" list --dir "$prefix") == *" kept "* ]] || fail "uninstall lost Sentrel.mdb"

# names FILE PREFIX: FILE is the shared file as the install into PREFIX wrote it.
names() {
    case "$1" in
        *.desktop) grep -qxF "Exec=\"$2/orvane\"" "$1" && grep -qxF "Path=$2" "$1" ;;
        *.service) grep -qxF "ExecStart=\"$2/orvane\"" "$1" ;;
        */bin/orvane-db) [ "$(readlink -- "$1")" = "$2/orvane-db" ] ;;
        *) cmp -s "$1" "$2/shared$1" ;;
    esac
}
install_both() {
    install_orvane >/dev/null
    # As if installed this very second: a copy that skips files no older than their source leaves them naming $prefix.
    touch -- "${installed[@]:4}"
    install_orvane "$other" >/dev/null
    : >"$tmp/systemctl.log"
}
uninstall_both() {
    "$1/uninstall.sh" >/dev/null
    for f in "${installed[@]:3}" "$data/orvane"; do [ ! -e "$f" ] && [ ! -L "$f" ] || fail "$f outlived both installs"; done
}

# The first installed goes first: the shared files stay the second's.
install_both
said=$("$prefix/uninstall.sh")
for f in "${installed[@]:3}"; do
    names "$f" "$other" || fail "uninstalling $prefix left $f not naming $other"
    [[ $said == *"kept $f"* ]] || fail "uninstalling $prefix did not say it kept $f: $said"
done
[ ! -e "$prefix/orvane" ] || fail "uninstalling $prefix kept its program"
grep -q disable "$tmp/systemctl.log" && fail "uninstalling $prefix stopped the service of $other"
"$other/orvane-db" list >/dev/null || fail "$other no longer works"
: >"$tmp/systemctl.log"
uninstall_both "$other"
grep -qx -- "--user disable --now orvane.service" "$tmp/systemctl.log" || fail "the last install's service kept running"

# The second goes first: it hands the shared files back to the first, whose service starts again. Before that a
# third, gone first, hands them to the latest install of the other two.
install_both
install_orvane "$third" >/dev/null
"$third/uninstall.sh" >/dev/null
for f in "${installed[@]:3}"; do names "$f" "$other" || fail "uninstalling $third left $f not naming $other"; done
: >"$tmp/systemctl.log"
said=$("$other/uninstall.sh")
for f in "${installed[@]:3}"; do
    names "$f" "$prefix" || fail "uninstalling $other left $f not naming $prefix"
    [[ $said == *"handed $f back to the install in $prefix"* ]] || fail "uninstalling $other did not say so: $said"
done
grep -qx -- "--user enable --now orvane.service" "$tmp/systemctl.log" || fail "the service of $prefix did not start again"
uninstall_both "$prefix"
