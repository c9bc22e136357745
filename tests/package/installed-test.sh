#!/usr/bin/env bash
# The package as a user of another processor's machine gets it (arm64, built here by CPack):
# installed with apt in a bare root of this Debian release for that architecture
# (scripts/in-debian --arch), apt pulling every dependency from Debian; the installed viewer
# started there on Qt's offscreen platform, where it must show its window and run for two
# seconds without a word of warning; then the window test's whole scenario on X11 with that
# installed viewer, run in the root, a day loaded and every cell checked. The root's programs
# run under emulation. Exits 77 where this machine cannot run the architecture's programs.
#
# usage: installed-test.sh CPACK CPACK_CONFIG DEB_VERSION ARCH WORK_DIR
#        installed-test.sh --inside DEB    (in the root: installs DEB and starts the viewer)
# WORK_DIR is emptied first; the root in it goes at the end, the rest is kept for a look.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fail() {
    echo "installed-test: FAIL: $*" >&2
    exit 1
}

if [[ ${1:-} == --inside ]]; then
    source "$here/../shown-and-alive.sh"
    deb=$2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q >/dev/null
    # As a user installs it: with its recommendations.
    apt-get install -y -q "$deb" >/tmp/apt.log 2>&1 || fail "apt cannot install $deb:$(printf '\n%s' "$(tail -n 20 /tmp/apt.log)")"
    [[ $(dpkg-query -W -f='${Status} ${Architecture}' dtchart) == "install ok installed $(dpkg-deb -f "$deb" Architecture)" ]] ||
        fail "dtchart is not installed: $(dpkg-query -W -f='${Status} ${Architecture}' dtchart)"
    home=$(mktemp -d)
    mkdir -p "$home/.config" "$home/.cache" "$home/.local/share" "$home/run"
    chmod 700 "$home/run"
    log=$home/dtchart.log
    env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
        XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
        QT_LOGGING_RULES=qt.widgets.painting.info=true QT_MESSAGE_PATTERN='%{type} %{category}: %{message}' \
        dtchart >"$log" 2>&1 &
    pid=$!
    why=$(shown_and_alive "$pid" "$log") || fail "the installed viewer: $why"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    if said=$(said_more "$log"); then fail "the installed viewer's output:$(printf '\n%s' "$said")"; fi
    echo "installed-test: $(basename "$deb") installs with apt on $(. /etc/os-release && echo "$PRETTY_NAME") $(dpkg --print-architecture), and starts"
    exit 0
fi

[[ $# -eq 5 ]] || { echo "usage: $0 CPACK CPACK_CONFIG DEB_VERSION ARCH WORK_DIR" >&2; exit 2; }
cpack=$1 config=$2 deb_version=$3 arch=$4 work=$5
top=$(cd "$here/../.." && pwd)
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[[ -n $release ]] || fail "/etc/os-release names no release to make the root of"
root=$work/root
if [[ -d $root ]]; then rm -rf --one-file-system "$root"; fi
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf --one-file-system "$root"' EXIT
"$cpack" --config "$config" -B "$work" >"$work/cpack.log" 2>&1 || fail "cpack failed:$(printf '\n%s' "$(cat "$work/cpack.log")")"
deb=dtchart_${deb_version}_$arch.deb
[[ -f $work/$deb ]] || fail "cpack wrote no $work/$deb"

status=0
bash "$top/scripts/in-debian" --keep "$root" --arch "$arch" --out "$work" "$release" \
    bash tests/package/installed-test.sh --inside "/out/$deb" || status=$?
[[ $status -eq 0 ]] || exit "$status"

# The window test drives the installed viewer from this machine: the root sees this machine's
# /tmp, where the display's socket, the run's HOME and the day's file are.
unshare --mount --propagation private bash -euo pipefail -c '
    root=$1
    shift
    mount --bind /tmp "$root/tmp"
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    exec "$@"
' installed-test "$root" env DTCHART_EMULATOR="chroot $root" DTCHART_E2E_DISPLAY=x11 DTCHART_E2E_LANG=ja_JP.UTF-8 \
    /usr/bin/python3 -B "$top/tests/e2e/window_e2e.py" /usr/bin/dtchart "$work/window" ||
    fail "the window test with the installed viewer (screenshots in $work/window)"
