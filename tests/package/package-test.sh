#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from the build tree, its files, its
# control fields and changelogs, its dependencies on this release, lintian's verdict, and the
# viewer started from the unpacked tree on Qt's offscreen platform, where it must show its
# window and run for two seconds without a word of warning. Nothing is installed on this
# machine.
#
# usage: package-test.sh CPACK CPACK_CONFIG VERSION DEB_VERSION ARCH WORK_DIR
# VERSION is the project's, DEB_VERSION the package's (1.0.0-1+deb12), ARCH its Debian
# architecture (amd64; arm64 when cross-built, its viewer then started under DTCHART_EMULATOR).
# WORK_DIR is emptied first and kept afterwards for a look after a failure.

set -euo pipefail
source "$(dirname "$0")/../shown-and-alive.sh"

if [[ $# -ne 6 ]]; then
    echo "usage: $0 CPACK CPACK_CONFIG VERSION DEB_VERSION ARCH WORK_DIR" >&2
    exit 2
fi
cpack=$1 config=$2 version=$3 deb_version=$4 arch=$5 work=$6

viewer_pid=
fail() {
    echo "package-test: FAIL: $*" >&2
    exit 1
}
trap '[[ -z $viewer_pid ]] || kill "$viewer_pid" 2>/dev/null || true' EXIT

for tool in dpkg dpkg-deb dpkg-query lintian gzip readelf fc-list; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps installs it)"
done

rm -rf "$work"
mkdir -p "$work"
"$cpack" --config "$config" -B "$work" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed:$(printf '\n%s' "$(cat "$work/cpack.log")")"
deb=$work/dtchart_${deb_version}_$arch.deb
[[ -f $deb ]] || fail "cpack wrote no $deb"

# --- Files: exactly these, nothing from the build tree besides -------------------------------

# A lintian override may come too, where this release's lintian needs one: lintian below judges it.
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | grep -vxF ./usr/share/lintian/overrides/dtchart | sort)
expected="./usr/bin/dtchart
./usr/share/applications/org.dtchart.Viewer.desktop
./usr/share/doc/dtchart/changelog.Debian.gz
./usr/share/doc/dtchart/changelog.gz
./usr/share/doc/dtchart/copyright
./usr/share/icons/hicolor/scalable/apps/org.dtchart.Viewer.svg
./usr/share/man/man1/dtchart.1.gz
./usr/share/metainfo/org.dtchart.Viewer.metainfo.xml"
[[ $files == "$expected" ]] ||
    fail "the package's files differ (< expected, > packaged):$(printf '\n%s' "$(diff <(echo "$expected") <(echo "$files"))")"

# --- Control fields ----------------------------------------------------------------------------

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == dtchart ]] || fail "Package: $(field Package)"
[[ $(field Version) == "$deb_version" ]] || fail "Version: $(field Version), expected $deb_version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == science ]] || fail "Section: $(field Section)"

# The version says which release the package is for: +deb12 when built on Debian 12.
os_id=$(. /etc/os-release && echo "${ID:-}") os_number=$(. /etc/os-release && echo "${VERSION_ID:-}")
[[ $deb_version == "$version"-* ]] || fail "$deb_version is not a package of $version"
[[ $os_id != debian || -z $os_number || $deb_version == *"+deb$os_number" ]] ||
    fail "$deb_version, built on Debian $os_number, does not say +deb$os_number"

# --- Dependencies: what the viewer needs, by the packages that hold it on this release ---------

# Package names of a relation field, one a line, alternatives split, without versions.
names() { field "$1" | tr ',|' '\n\n' | sed 's/(.*)//; s/^ *//; s/ *$//'; }
depends=$(names Depends)
# satisfied PACKAGE: Depends names PACKAGE or a name it provides (libqt6core6t64 provides
# libqt6core6).
satisfied() {
    local provides
    grep -qxF "$1" <<<"$depends" && return 0
    provides=$(dpkg-query -W -f='${Provides}' "$1" 2>/dev/null | tr ',' '\n' | sed 's/(.*)//; s/^ *//; s/ *$//')
    [[ -n $provides ]] && grep -qxFf <(echo "$provides") <<<"$depends"
}
# needs WHAT FILE...: Depends holds one of the packages that installed FILE on this machine.
needs() {
    local what=$1 owners p
    shift
    # A file that no package holds (an alternatives link) is no answer; dpkg-query fails then.
    owners=$({ dpkg-query -S "$@" 2>/dev/null || true; } | sed 's/: .*//' | tr ',' '\n' |
        sed 's/^ *//; s/:.*//' | sort -u)
    [[ -n $owners ]] || fail "no package of this machine holds $what ($*)"
    for p in $owners; do satisfied "$p" && return 0; done
    fail "Depends names no package holding $what here ($(echo $owners)): $(field Depends)"
}
# The libraries the binary links, the X11 platform plugin, and the fonts it draws with.
dpkg-deb -x "$deb" "$work/root"
for lib in $(readelf -d "$work/root/usr/bin/dtchart" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    needs "$lib" "*/$lib"
done
needs "Qt's X11 platform plugin" '*/qt6/plugins/platforms/libqxcb.so'
for family in 'Liberation Sans' IPAGothic; do
    mapfile -t fonts < <(fc-list -f '%{file}\n' "$family")
    [[ ${#fonts[@]} -gt 0 ]] || fail "no $family font on this machine (scripts/install-deps installs it)"
    needs "the $family font" "${fonts[@]}"
done
[[ $(names Recommends | sort | paste -sd ' ') == \
    "qt6-gtk-platformtheme qt6-translations-l10n qt6-wayland qt6-xdgdesktopportal-platformtheme" ]] ||
    fail "Recommends: $(field Recommends)"
# Plasma's own dialog comes with Plasma 6's Qt 6 integration, which Debian 12 does not have.
if [[ $deb_version == *+deb12 ]]; then
    [[ -z $(field Suggests) ]] || fail "Suggests on Debian 12: $(field Suggests)"
else
    [[ $(field Suggests) == plasma-integration ]] || fail "Suggests: $(field Suggests)"
fi

# --- Changelogs --------------------------------------------------------------------------------

# The project's changelog's latest entry is this version: a version bump needs an entry in
# data/changelog. The Debian changelog's only entry is this package, for this release.
entry() { dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/share/doc/dtchart/$1" | gzip -dc | head -n 1; }
[[ $(entry changelog.gz) == "dtchart ($version) "* ]] ||
    fail "data/changelog begins '$(entry changelog.gz)', not with $version"
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-unstable}")
[[ $(entry changelog.Debian.gz) == "dtchart ($deb_version) $codename; "* ]] ||
    fail "the Debian changelog begins '$(entry changelog.Debian.gz)', not with $deb_version for $codename"

# --- Lintian: no error and no warning ----------------------------------------------------------

lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian:$(printf '\n%s' "$(cat "$work/lintian.log")")"

# --- The unpacked viewer -----------------------------------------------------------------------

root=$work/root
home=$work/home
mkdir -p "$home/.config" "$home/.cache" "$home/.local/share" "$home/run"
chmod 700 "$home/run"
log=$work/dtchart.log
: >"$log"

# A clean environment, so that nothing of the caller's (library paths, Qt settings) helps it.
# Qt reports every flush of a window's contents to the screen; every other line is a warning.
(
    cd "$work"
    exec env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" \
        XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share" \
        XDG_RUNTIME_DIR="$home/run" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
        QT_LOGGING_RULES=qt.widgets.painting.info=true \
        QT_MESSAGE_PATTERN='%{type} %{category}: %{message}' \
        ${DTCHART_EMULATOR:-} "$root/usr/bin/dtchart"
) >"$log" 2>&1 &
viewer_pid=$!

why=$(shown_and_alive "$viewer_pid" "$log") || fail "the viewer: $why"
kill "$viewer_pid"
wait "$viewer_pid" 2>/dev/null || true
viewer_pid=

if said=$(said_more "$log"); then fail "the viewer's output:$(printf '\n%s' "$said")"; fi
echo "package-test: $deb is whole, lintian-clean and starts"
