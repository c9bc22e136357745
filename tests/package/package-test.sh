#!/usr/bin/env bash
# The Debian package as a user gets it: built by CPack from the build tree, its files, its
# control fields and changelog, lintian's verdict, and the viewer started from the unpacked
# tree on Qt's offscreen platform, where it must show its window and run for two seconds
# without a word of warning. Nothing is installed on this machine.
#
# usage: package-test.sh CPACK CPACK_CONFIG VERSION WORK_DIR
# WORK_DIR is emptied first and kept afterwards for a look after a failure.

set -euo pipefail
source "$(dirname "$0")/../shown-and-alive.sh"

if [[ $# -ne 4 ]]; then
    echo "usage: $0 CPACK CPACK_CONFIG VERSION WORK_DIR" >&2
    exit 2
fi
cpack=$1 config=$2 version=$3 work=$4

viewer_pid=
fail() {
    echo "package-test: FAIL: $*" >&2
    exit 1
}
trap '[[ -z $viewer_pid ]] || kill "$viewer_pid" 2>/dev/null || true' EXIT

for tool in dpkg dpkg-deb lintian gzip; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps installs it)"
done

rm -rf "$work"
mkdir -p "$work"
"$cpack" --config "$config" -B "$work" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed:$(printf '\n%s' "$(cat "$work/cpack.log")")"
arch=$(dpkg --print-architecture)
deb=$work/dtchart_${version}_$arch.deb
[[ -f $deb ]] || fail "cpack wrote no $deb"

# --- Files: exactly these, nothing from the build tree besides -------------------------------

files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected="./usr/bin/dtchart
./usr/share/applications/org.dtchart.Viewer.desktop
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
[[ $(field Version) == "$version" ]] || fail "Version: $(field Version), expected $version"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == science ]] || fail "Section: $(field Section)"

# Package names of a relation field, one a line, without version constraints.
names() { field "$1" | tr ',' '\n' | sed 's/(.*)//; s/^ *//; s/ *$//'; }
depends=$(names Depends)
# From the linker's view (dpkg-shlibdeps) and from what the viewer loads at run time.
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 \
    qt6-qpa-plugins fonts-ipafont-gothic fonts-liberation2; do
    grep -qxF "$p" <<<"$depends" || fail "Depends lacks $p: $(field Depends)"
done
[[ $(names Recommends | sort | paste -sd ' ') == "qt6-translations-l10n qt6-wayland" ]] ||
    fail "Recommends: $(field Recommends)"

# The changelog's latest entry is this version: a version bump needs an entry.
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/dtchart/changelog.gz >"$work/changelog.gz"
entry=$(gzip -dc "$work/changelog.gz" | head -n 1)
[[ $entry == "dtchart ($version) "* ]] || fail "the changelog begins '$entry', not with $version"

# --- Lintian: no error and no warning ----------------------------------------------------------

lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    fail "lintian:$(printf '\n%s' "$(cat "$work/lintian.log")")"

# --- The unpacked viewer -----------------------------------------------------------------------

root=$work/root
dpkg-deb -x "$deb" "$root"
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
        "$root/usr/bin/dtchart"
) >"$log" 2>&1 &
viewer_pid=$!

why=$(shown_and_alive "$viewer_pid" "$log") || fail "the viewer: $why"
kill "$viewer_pid"
wait "$viewer_pid" 2>/dev/null || true
viewer_pid=

if said=$(said_more "$log"); then fail "the viewer's output:$(printf '\n%s' "$said")"; fi
echo "package-test: $deb is whole, lintian-clean and starts"
