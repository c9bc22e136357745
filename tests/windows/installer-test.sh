#!/usr/bin/env bash
# The Windows packages as users meet them, built by CPack from the build tree and tried under
# Wine in a prefix and HOME made for the run.
#   setup: the setup program installs silently, twice (the second run replaces the first, as a
#     new version does); then the folder's files, the Start menu shortcut, the uninstall entry
#     in the 64-bit registry, the icons and version information; the installed viewer starts;
#     the uninstaller removes the folder, the shortcut and the entry.
#   zip: the zip unpacks into one folder with the same files, and the viewer starts from there.
# The viewer starts on Qt's offscreen platform (its plugin lent from Qt's folder: users have
# no need of it) and must show its window and run for two seconds without a word.
#
# usage: installer-test.sh setup|zip CPACK CPACK_CONFIG VERSION PUBLISHER QOFFSCREEN_DLL WORK_DIR
# WORK_DIR is emptied first; the package and the logs stay in it.

set -euo pipefail
source "$(dirname "$0")/../shown-and-alive.sh"

if [[ $# -ne 7 || ! $1 =~ ^(setup|zip)$ ]]; then
    echo "usage: $0 setup|zip CPACK CPACK_CONFIG VERSION PUBLISHER QOFFSCREEN_DLL WORK_DIR" >&2
    exit 2
fi
mode=$1 cpack=$2 config=$3 version=$4 publisher=$5 qoffscreen=$6 work=$7

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
fail() {
    echo "installer-test ($mode): FAIL: $*" >&2
    exit 1
}
lines() { printf '\n%s' "$@"; }
# expect WHAT GOT WANTED
expect() { [[ $2 == "$3" ]] || fail "$1 is '$2', not '$3'"; }
for tool in "$wine" "$wineserver" wrestool icotool iconv strings; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (make deps-windows installs it)"
done

rm -rf "$work"
mkdir -p "$work/home" "$work/fonts" "$work/plugins/platforms"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    XDG_CACHE_HOME=$work/home/.cache
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINELOADER=$wine
# No Mono or Gecko, no Linux menu entries for the shortcuts, no X display, no DLLs from
# elsewhere.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
unset DISPLAY WAYLAND_DISPLAY WINEPATH
# The prefix, some 700 MB, is kept only for a look after a failure.
finish() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    [[ $1 -ne 0 ]] || rm -rf "$WINEPREFIX" "$work/_CPack_Packages"
}
trap 'finish $?' EXIT

case $mode in
    setup) generator=NSIS package=$work/dtchart-$version-win64.exe ;;
    zip) generator=ZIP package=$work/dtchart-$version-win64.zip ;;
esac
"$cpack" -G "$generator" --config "$config" -B "$work" >"$work/cpack.log" 2>&1 ||
    fail "cpack failed:$(lines "$(cat "$work/cpack.log")")"
[[ -f $package ]] || fail "cpack wrote no $package"

bash "$(dirname "$0")/../../scripts/wine-run" --new-prefix "$WINEPREFIX" ||
    fail "no Wine prefix could be made"

# Exactly what the deployment puts beside the program, and the licence; the style plugin is
# the one this Qt has (qwindowsvistastyle up to Qt 6.6, qmodernwindowsstyle from 6.7).
styles=$(cd "$(dirname "$qoffscreen")/.." && echo styles/*.dll)
deployed=(LICENSE.txt Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll dtchart.exe libgcc_s_seh-1.dll
    libstdc++-6.dll libwinpthread-1.dll platforms/qwindows.dll qt.conf
    $styles translations/qtbase_ja.qm)
# check_files DIR [MORE...]: DIR holds the deployed files and MORE, nothing else.
check_files() {
    local found expected
    found=$(cd "$1" && find . -type f -printf '%P\n' | LC_ALL=C sort)
    expected=$(printf '%s\n' "${deployed[@]}" "${@:2}" | LC_ALL=C sort)
    [[ $found == "$expected" ]] || fail "the files in $1 differ (< expected, > found):$(
        lines "$(diff <(echo "$expected") <(echo "$found"))")"
}

# The offscreen platform's plugin and the fonts the viewer draws with, from folders of their
# own. Wine keeps QT_ variables from Windows programs; WINEQT_ ones reach them as QT_.
cp "$qoffscreen" "$work/plugins/platforms/" || fail "no offscreen platform plugin $qoffscreen"
ln -s /usr/share/fonts/truetype/liberation2/LiberationSans-*.ttf \
    /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$work/fonts/" ||
    fail "the Liberation Sans and IPAGothic fonts are missing (make deps installs them)"
windows_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

# check_starts PROGRAM: shown, up two seconds later, and silent but for Qt's painting reports.
check_starts() {
    local log=$work/viewer.log pid
    (
        cd "$work"
        exec env WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1 \
            WINEQT_PLUGIN_PATH="$(windows_path "$work/plugins")" \
            WINEQT_QPA_FONTDIR="$(windows_path "$work/fonts")" \
            WINEQT_LOGGING_RULES=qt.widgets.painting.info=true \
            WINEQT_MESSAGE_PATTERN='%{type} %{category}: %{message}' "$wine" "$1"
    ) >"$log" 2>&1 &
    pid=$!
    why=$(shown_and_alive "$pid" "$log") || fail "$1: $why"
    "$wineserver" -k
    wait "$pid" 2>/dev/null || true
    if said=$(said_more "$log"); then fail "$1 said:$(lines "$said")"; fi
}

# icons EXE: a checksum of the images of its icon group, or nothing.
icons() {
    local dir
    dir=$work/icons-$(basename "$1")
    mkdir -p "$dir"
    wrestool -x -t 14 "$1" -o "$dir/group.ico" && icotool -x -o "$dir" "$dir/group.ico" &&
        rm "$dir/group.ico" && cat "$dir"/*.png | md5sum
}

if [[ $mode == zip ]]; then
    mkdir "$work/unpacked"
    (cd "$work/unpacked" && cmake -E tar xf "$package") || fail "$package does not unpack"
    top=$(ls "$work/unpacked")
    [[ $top == "dtchart-$version-win64" ]] || fail "the zip's top folders: $top"
    check_files "$work/unpacked/$top"
    check_starts "$work/unpacked/$top/dtchart.exe"
    echo "installer-test: $package unpacks into one folder and the viewer starts there"
    exit 0
fi

# --- Setup program ---------------------------------------------------------------------------

for run in first second; do
    "$wine" "$package" /S || fail "the $run silent install failed"
    "$wineserver" -w
done

c=$WINEPREFIX/drive_c
folder="$c/Program Files/dtchart"
exe='C:\Program Files\dtchart\dtchart.exe'
uninstaller='C:\Program Files\dtchart\Uninstall.exe'
[[ -d $folder ]] || fail "nothing in 64-bit Program Files:$(lines "$(ls "$c"/Program*)")"
check_files "$folder" Uninstall.exe

# The program and the setup program show the same icon; the program says what it is.
icon=$(icons "$folder/dtchart.exe")
[[ -n $icon && $icon == "$(icons "$package")" ]] ||
    fail "dtchart.exe and the setup program differ in icon, or have none"
# Each string of the version information follows its name, which ends a line.
info=$(wrestool -x --raw -t 16 "$folder/dtchart.exe" | iconv -f UTF-16LE -t UTF-8 | tr -s '\0' '\n')
string() { awk -v name="$1" 'found { print; exit } $0 ~ name "$" { found = 1 }' <<<"$info"; }
for check in ProductName=dtchart OriginalFilename=dtchart.exe "ProductVersion=$version" \
    "FileVersion=$version" "CompanyName=$publisher"; do
    expect "dtchart.exe's ${check%%=*}" "$(string "${check%%=*}")" "${check#*=}"
done
[[ $(string LegalCopyright) == "Copyright © "*" $publisher" ]] ||
    fail "dtchart.exe's LegalCopyright is '$(string LegalCopyright)'"

shortcut="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/dtchart.lnk"
[[ -f $shortcut ]] || fail "no shortcut in the all-users Start menu"
# The target, and the icon taken from it.
strings -a "$shortcut" | grep -qxF "$exe" || fail "the shortcut does not start $exe"
strings -a -el "$shortcut" | grep -qF "$exe" || fail "the shortcut's icon is not from $exe"

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\dtchart'
entry=$("$wine" reg query "$key" /reg:64 | tr -d '\r') || fail "no uninstall entry $key"
value() { sed -n "s/^ *$1 *REG_[A-Z]* *//p" <<<"$entry"; }
size=$(find "$folder" -type f -printf '%s\n' | awk '{ s += $1 } END { print int(s / 1024) }')
for check in "DisplayName=dtchart" "DisplayVersion=$version" "Publisher=$publisher" \
    "DisplayIcon=$exe" "UninstallString=\"$uninstaller\"" \
    "QuietUninstallString=\"$uninstaller\" /S"; do
    expect "${check%%=*}" "$(value "${check%%=*}")" "${check#*=}"
done
# The size shown in the list of installed apps, in KiB.
(( $(value EstimatedSize) > size * 9 / 10 && $(value EstimatedSize) <= size )) ||
    fail "EstimatedSize $(value EstimatedSize) KiB for $size KiB installed"
# Nothing in the 32-bit view, where a 32-bit setup program would have written.
! "$wine" reg query "$key" /reg:32 >/dev/null 2>&1 || fail "an uninstall entry in the 32-bit view"

check_starts "$exe"

# The uninstaller copies itself away and returns at once: wait for the copy.
"$wine" "$uninstaller" /S || fail "the silent uninstall failed"
"$wineserver" -w
[[ ! -e $folder ]] || fail "left behind:$(lines "$(find "$folder")")"
[[ ! -e $shortcut ]] || fail "the shortcut is left behind"
! "$wine" reg query "$key" /reg:64 >/dev/null 2>&1 || fail "the uninstall entry is left behind"

echo "installer-test: $package installs, starts the viewer and uninstalls cleanly"
