#!/usr/bin/env bash
# The package as a user of another processor's machine gets it (arm64, built here by CPack):
# installed with apt in a bare root of this Debian release for that architecture
# (scripts/in-debian --arch, its programs emulated), apt pulling every dependency, and then the
# window test's whole scenario on a private X11 display with the installed viewer run in the
# root: started, a day loaded, every cell checked. Exits 77 where this machine cannot run the
# architecture's programs.
#
# usage: installed-test.sh CPACK CPACK_CONFIG DEB_VERSION ARCH WORK_DIR
# WORK_DIR is emptied first; the root in it goes at the end, the rest is kept for a look.
set -euo pipefail
fail() { echo "installed-test: FAIL: $*" >&2; exit 1; }
[[ $# -eq 5 ]] || { echo "usage: $0 CPACK CPACK_CONFIG DEB_VERSION ARCH WORK_DIR" >&2; exit 2; }
cpack=$1 config=$2 deb=dtchart_$3_$4.deb arch=$4 work=$5 root=$5/root
top=$(cd "$(dirname "$0")/../.." && pwd)
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[[ -n $release ]] || fail "/etc/os-release names no release to make the root of"
rm -rf --one-file-system "$work" && mkdir -p "$work"
trap 'rm -rf --one-file-system "$root"' EXIT
"$cpack" --config "$config" -B "$work" >"$work/cpack.log" 2>&1 || fail "cpack failed:$(printf '\n%s' "$(cat "$work/cpack.log")")"
[[ -f $work/$deb ]] || fail "cpack wrote no $work/$deb"

# Without its recommendations: on a bare root they would bring systemd, Mesa and GTK, which a
# desktop has already, and double the time apt takes under emulation.
bash "$top/scripts/in-debian" --keep "$root" --arch "$arch" --out "$work" "$release" sh -c '
    apt-get update -q >/dev/null &&
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "/out/$1" >/out/apt.log 2>&1 ||
        { tail -n 20 /out/apt.log; exit 1; }' sh "$deb" ||
    { [[ $? -eq 77 ]] && exit 77; fail "apt did not install $deb in the $arch root"; }

# The driver runs here; the root sees this machine's /tmp, with the display's socket, the run's
# HOME and the day's file.
unshare --mount --propagation private bash -euo pipefail -c '
    mount --bind /tmp "$1/tmp" && mount -t proc proc "$1/proc" && mount --rbind /dev "$1/dev"
    shift && exec "$@"' installed-test "$root" \
    env DTCHART_EMULATOR="chroot $root" DTCHART_E2E_DISPLAY=x11 DTCHART_E2E_LANG=ja_JP.UTF-8 \
    /usr/bin/python3 -B "$top/tests/e2e/window_e2e.py" /usr/bin/dtchart "$work/window" ||
    fail "the window test with the viewer installed in the $arch root (screenshots in $work/window)"
