#!/usr/bin/env bash
# End-to-end test of the viewer under a private X server, driven with the mouse and keyboard
# the way a person uses it: click 読み込み, answer Yes, cancel the file dialog and check that
# nothing was loaded; again, now typing the path of a log of known content into the dialog,
# then check the chart, the date, the legend and Text1 on screen; click the time scroll bar's
# right arrow once and check the polar plot and Text2.
#
# usage: window-e2e.sh DTCHART_BINARY ARTIFACT_DIR
# DTCHART_E2E_LANG (default C.UTF-8) is the locale the viewer runs in; under any other locale
# the empty chart frame must be the same picture as under C.UTF-8. DTCHART_E2E_SCALE (default
# 1) is its QT_SCALE_FACTOR: every position is then that many screen pixels a pixel, and every
# point of the pictures a block of that many pixels a side.
# Screenshots are kept in ARTIFACT_DIR for inspection; everything else lives in a temporary
# folder, HOME included, that is removed on exit.
#
# DTCHART_E2E_WINE=1: DTCHART_BINARY is a Windows program, run by Wine's X11 driver on the same
# display in a private Wine prefix; the path typed into the system's open dialog and shown in
# Text1 is then the Windows one (Z:\tmp\...). DTCHART_E2E_WINE_SETUP names a setup program to
# install silently into the prefix first; DTCHART_BINARY is then the installed program's Windows
# path (C:\Program Files\dtchart\dtchart.exe). DTCHART_WINE_TEMPLATE, as for scripts/wine-run,
# is a prefix to copy rather than boot anew.

set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 DTCHART_BINARY ARTIFACT_DIR" >&2
    exit 2
fi
artifacts=$2
step_timeout=${DTCHART_E2E_STEP_TIMEOUT:-30}  # seconds for any one thing to appear on screen
locale=${DTCHART_E2E_LANG:-C.UTF-8}
scale=${DTCHART_E2E_SCALE:-1}
under_wine=${DTCHART_E2E_WINE:-0}
setup=${DTCHART_E2E_WINE_SETUP:-}
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
if [[ -n $setup ]]; then
    dtchart=$1  # a Windows path, in the prefix once the setup program has run
    setup=$(realpath "$setup")
else
    dtchart=$(realpath "$1")
fi

# Nothing may reach the user's own display before ours is up.
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY

xvfb_pid=
dtchart_pid=
watchdog_pid=
work=
prefix=

note() { echo "window-e2e: $*"; }

fail() {
    echo "window-e2e: FAIL: $*" >&2
    if [[ -n ${DISPLAY:-} ]] && import -window root "$artifacts/failure.png" 2>/dev/null; then
        echo "window-e2e: the screen at the failure: $artifacts/failure.png" >&2
    fi
    if [[ -s ${work:-/nonexistent}/dtchart.log ]]; then
        echo "window-e2e: dtchart's output:" >&2
        sed 's/^/    /' "$work/dtchart.log" >&2
    fi
    exit 1
}

stop() {
    local pid=$1
    [[ -n $pid ]] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in {1..50}; do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

stop_wine() {
    [[ -n $prefix ]] || return 0
    WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
    WINEPREFIX=$prefix "$wineserver" -w 2>/dev/null || true
}

cleanup() {
    stop "$watchdog_pid"
    stop_wine
    stop "$dtchart_pid"
    stop "$xvfb_pid"
    if [[ -n $work ]]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

for tool in Xvfb xdpyinfo xdotool import convert xclip perl realpath; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps installs it)"
done
if ((under_wine)); then
    # Qt's scale factor does not cross into Wine; the Windows program runs at its own scale.
    ((scale == 1)) || fail "DTCHART_E2E_SCALE is for the Linux viewer only"
    for tool in "$wine" "$wineserver" iconv localedef; do
        command -v "$tool" >/dev/null || fail "$tool is not installed (make deps-windows installs it)"
    done
    if [[ -n $setup ]]; then
        [[ -f $setup ]] || fail "no setup program at $setup"
    else
        [[ -f $dtchart ]] || fail "no Windows program at $dtchart"
    fi
else
    [[ -x $dtchart ]] || fail "no viewer binary at $dtchart"
fi

mkdir -p "$artifacts"
rm -f "$artifacts"/*.png
work=$(mktemp -d "${TMPDIR:-/tmp}/dtchart-e2e.XXXXXX")

# Runs "$@" every 0.1 s until it succeeds; false after SECONDS seconds. Fails the test at once
# if the viewer has gone.
poll() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        if [[ -n $dtchart_pid ]] && ! kill -0 "$dtchart_pid" 2>/dev/null; then
            fail "dtchart exited unexpectedly"
        fi
        ((SECONDS < end)) || return 1
        sleep 0.1
    done
}

# --- The X server -------------------------------------------------------------------------

# A display is ours once the server we started answers on it and holds its lock file.
xvfb_ready() {
    local n=$1 owner
    kill -0 "$xvfb_pid" 2>/dev/null || return 0  # gone: stop waiting, the caller checks
    DISPLAY=:$n xdpyinfo >/dev/null 2>&1 || return 1
    read -r owner <"/tmp/.X$n-lock" 2>/dev/null || return 1
    [[ $owner == "$xvfb_pid" ]]
}

start_xvfb() {
    local first=$((100 + $$ % 400)) n owner
    for ((k = 0; k < 30; k++)); do
        n=$((first + k))
        [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
        # -r: no key auto-repeat, so a key held down by a slow machine is still typed once.
        Xvfb ":$n" -screen 0 "${screen_width}x${screen_height}x24" -nolisten tcp -noreset -r \
            >"$work/xvfb-$n.log" 2>&1 &
        xvfb_pid=$!
        poll "$step_timeout" xvfb_ready "$n" || true
        read -r owner <"/tmp/.X$n-lock" 2>/dev/null || owner=
        if kill -0 "$xvfb_pid" 2>/dev/null && [[ $owner == "$xvfb_pid" ]] &&
            DISPLAY=:$n xdpyinfo >/dev/null 2>&1; then
            export DISPLAY=:$n
            return 0
        fi
        # Another server took the display first; try the next one.
        stop "$xvfb_pid"
        xvfb_pid=
    done
    fail "could not start Xvfb on any display from :$first to :$((first + 29))"
}

# --- Screenshots and pixels ----------------------------------------------------------------

screen_width=$((1024 * scale))
screen_height=$((768 * scale))
origin_x=0  # Form1's client area on the screen
origin_y=0

# shoot NAME [work]: takes screenshot NAME.png and a raw RGB copy for reading pixels. The
# screenshots that are checked go to the artifacts; those taken while waiting ("work") go to
# the temporary folder.
shoot() {
    local dir=$artifacts
    [[ ${2:-} == work ]] && dir=$work
    shot="$dir/$1.png"
    shot_raw="$work/shot.rgb"
    import -window root "$shot" && convert "$shot" -depth 8 "rgb:$shot_raw"
}

# Screen position of point (X, Y) of AREA: "chart" (Picture1's drawing area) or "polar"
# (Picture2's drawing area); the top-left pixel of the point's block. Sets sx and sy.
locate() {
    local area=$1 x=$2 y=$3
    case $area in
    chart) sx=$((origin_x + scale * (2 + x))) sy=$((origin_y + scale * (2 + y))) ;;
    polar) sx=$((origin_x + scale * (114 + x))) sy=$((origin_y + scale * (370 + y))) ;;
    *) fail "unknown area $area" ;;
    esac
}

# How many pixels of the last screenshot in screen rectangle X0,Y0 .. X1,Y1 (inclusive) have
# colour COLOUR ("r,g,b"), or are dark (COLOUR "dark": r+g+b below 300).
count_pixels() {
    perl -e '
        my ($file, $width, $x0, $y0, $x1, $y1, $want) = @ARGV;
        open my $f, "<:raw", $file or die "$file: $!\n";
        local $/;
        my $rgb = <$f>;
        my $n = 0;
        for my $y ($y0 .. $y1) {
            for my $x ($x0 .. $x1) {
                my ($r, $g, $b) = unpack "C3", substr($rgb, 3 * ($y * $width + $x), 3);
                $n++ if $want eq "dark" ? $r + $g + $b < 300 : "$r,$g,$b" eq $want;
            }
        }
        print $n;
    ' "$shot_raw" "$screen_width" "$@"
}

colour_at() {
    perl -e '
        my ($file, $width, $x, $y) = @ARGV;
        open my $f, "<:raw", $file or die "$file: $!\n";
        local $/;
        my $rgb = <$f>;
        print join ",", unpack "C3", substr($rgb, 3 * ($y * $width + $x), 3);
    ' "$shot_raw" "$screen_width" "$1" "$2"
}

mismatches=()

# expect_colour WHAT AREA X Y COLOUR: the point's whole block is exactly COLOUR.
expect_colour() {
    local what=$1 area=$2 x=$3 y=$4 want=$5 got
    locate "$area" "$x" "$y"
    got=$(colour_at "$sx" "$sy")
    (($(count_pixels "$sx" "$sy" $((sx + scale - 1)) $((sy + scale - 1)) "$want") == scale * scale)) ||
        mismatches+=("$what: $area ($x,$y) is ($got), expected ($want) over its whole block")
}

# expect_near WHAT AREA X Y R COLOUR: some pixel within R of the point has COLOUR.
expect_near() {
    local what=$1 area=$2 x=$3 y=$4 r=$(($5 * scale)) want=$6
    locate "$area" "$x" "$y"
    (($(count_pixels $((sx - r)) $((sy - r)) $((sx + r + scale - 1)) $((sy + r + scale - 1)) "$want") > 0)) ||
        mismatches+=("$what: no ($want) pixel within $5 of $area ($x,$y)")
}

# expect_none WHAT AREA X Y R COLOUR: no pixel within R of the point has COLOUR.
expect_none() {
    local what=$1 area=$2 x=$3 y=$4 r=$(($5 * scale)) want=$6
    locate "$area" "$x" "$y"
    (($(count_pixels $((sx - r)) $((sy - r)) $((sx + r + scale - 1)) $((sy + r + scale - 1)) "$want") == 0)) ||
        mismatches+=("$what: unexpected ($want) pixel within $5 of $area ($x,$y)")
}

# Dark pixels in rectangle X0,Y0 .. X1,Y1 of AREA.
dark_pixels() {
    local area=$1 x0 y0
    locate "$area" "$2" "$3"
    x0=$sx y0=$sy
    locate "$area" "$4" "$5"
    count_pixels "$x0" "$y0" $((sx + scale - 1)) $((sy + scale - 1)) dark
}

# The chart's drawing area in the last screenshot, as raw RGB in FILE.
chart_picture() {
    locate chart 0 0
    convert "$shot" -crop "$((813 * scale))x$((277 * scale))+$sx+$sy" -depth 8 "rgb:$1"
}

check_mismatches() {
    if ((${#mismatches[@]} > 0)); then
        printf '    %s\n' "${mismatches[@]}" >&2
        fail "$1 (${#mismatches[@]} mismatches; screenshot $shot)"
    fi
}

# --- Driving the window -------------------------------------------------------------------

click() {  # click X Y in Form1's client area
    xdotool mousemove $((origin_x + scale * $1)) $((origin_y + scale * $2)) click 1
}

# Sets wid to the visible window whose whole title is TITLE.
find_window() {
    wid=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [[ -n $wid ]]
}

window_gone() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; }

# Sets wid to a visible window titled as one of the arguments; unlike find_window it matches
# titles in any script (xdotool's name search misses non-Latin ones).
find_titled() {
    local w name title
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        name=$(xdotool getwindowname "$w" 2>/dev/null) || continue
        for title; do
            [[ $name == "$title" ]] && wid=$w && return 0
        done
    done
    return 1
}

has_focus() { [[ $(xdotool getwindowfocus 2>/dev/null) == "$1" ]]; }

clipboard_is() { [[ $(xclip -o -selection clipboard 2>/dev/null) == "$1" ]]; }

# Copies a text box's contents the way a person would, and checks them.
expect_text_box() {
    local name=$1 x=$2 y=$3 want=$4
    click "$x" "$y"
    xdotool key ctrl+a ctrl+c
    poll "$step_timeout" clipboard_is "$want" ||
        fail "$name reads '$(xclip -o -selection clipboard 2>/dev/null)', expected '$want'"
}

# --- The log ------------------------------------------------------------------------------

# Slots 2..719 hold one level per block of 120 slots by 60 bins (rows from bin 0 up). Slot 0
# holds 300 everywhere and slot 1 holds 900 for bins 0..29 (0 to 58 degrees) and 300 beyond,
# so that its polar plot is lopsided and tells the direction of the angles.
mkdir -p "$work/logs"
log="$work/logs/250131.log"
perl -e '
    my @blocks = ([0, 100, 255, 384, 511, 640], [767, 900, 1023, -1, 0, 1023],
                  [50, 1000, 700, 200, 450, 820]);
    my @levels;
    for my $slot (0 .. 719) {
        for my $bin (0 .. 179) {
            push @levels, $slot == 0 ? 300
                        : $slot == 1 ? ($bin < 30 ? 900 : 300)
                        : $blocks[int($bin / 60)][int($slot / 120)];
        }
    }
    open my $out, ">:raw", $ARGV[0] or die "$ARGV[0]: $!\n";
    print $out pack("s<*", @levels);
    close $out or die "$ARGV[0]: $!\n";
' "$log"
(($(stat -c %s "$log") == 259200)) || fail "the generated log is not 259,200 bytes"

# Expected colours of the blocks, in the same order.
block_colours=(
    "0,0,255" "0,100,255" "0,255,255" "0,255,127" "0,255,0" "129,255,0"
    "255,255,0" "255,123,0" "255,0,0" "0,0,0" "0,0,255" "255,0,0"
    "0,50,255" "255,23,0" "189,255,0" "0,200,255" "0,255,61" "255,203,0"
)

# --- The run ------------------------------------------------------------------------------

start_xvfb
note "Xvfb on $DISPLAY"

home="$work/home"
mkdir -p "$home/.config" "$home/.cache" "$home/.local/share" "$home/run"
chmod 700 "$home/run"

# Should this script be killed outright (a test timeout), the server, the viewer, Wine and the
# temporary folder go with it.
((under_wine)) && prefix=$work/prefix
(
    while kill -0 $$ 2>/dev/null; do sleep 1; done
    [[ -n $prefix ]] && WINEPREFIX=$prefix "$wineserver" -k
    kill "$(cat "$work/viewer.pid")" "$xvfb_pid"
    rm -rf "$work"
) </dev/null >/dev/null 2>&1 &
watchdog_pid=$!

# --- Wine ----------------------------------------------------------------------------------

# Linux paths as Wine shows them: drive Z: is the root; and the Linux path of a path on C:.
windows_path() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
prefix_path() { local p=${1//\\//}; printf '%s/drive_c%s' "$prefix" "${p#[Cc]:}"; }

# Sets wenv to the command prefix that runs a Wine program in our prefix, on our display, in
# locale LOCALE. Wine takes its code page and language from the C library's locale (not from
# LANG as Qt on Linux does), so a locale the machine lacks is built in the temporary folder.
locpath=
wine_env() {
    if [[ $(LC_ALL=$1 locale charmap 2>/dev/null) != UTF-8 && ! -d $work/locale/$1 ]]; then
        [[ -f /usr/share/i18n/locales/${1%%.*} ]] || fail "no locale source for $1 (the locales package)"
        mkdir -p "$work/locale"
        localedef -i "${1%%.*}" -f UTF-8 "$work/locale/$1" >"$work/localedef.log" 2>&1 ||
            fail "could not build the locale $1: $(cat "$work/localedef.log")"
        locpath=$work/locale
    fi
    wenv=(env -u LANGUAGE HOME="$home" XDG_CONFIG_HOME="$home/.config"
        XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share"
        XDG_RUNTIME_DIR="$home/run" LANG="$1" LC_ALL="$1"
        WINEPREFIX="$prefix" WINELOADER="$wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=")
    if [[ -n $locpath ]]; then wenv+=(LOCPATH="$locpath"); fi
}

# A private prefix, as every run under Wine has one, its profile's folders in our HOME.
make_prefix() {
    HOME=$home bash "$(dirname "$0")/../../scripts/wine-run" --new-prefix "$prefix" ||
        fail "could not make a Wine prefix"
}

# Wine's own fonts have no Japanese glyphs: its dialogs would show Japanese (the file types,
# and in Japanese the folder tree and the buttons) as empty boxes. The Japanese fonts' names,
# and in Japanese the dialog fonts (which Wine maps to MS UI Gothic there), lead to IPA Gothic.
# Wine rewrites the dialog fonts when the code page changes, so this is done in the locale
# LOCALE the viewer then runs in.
wine_fonts() {
    local font dialog_fonts=()
    [[ $1 == C.* ]] || dialog_fonts=("MS Shell Dlg" "MS Shell Dlg 2")
    {
        printf 'Windows Registry Editor Version 5.00\n\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\n'
        for font in "${dialog_fonts[@]}" "MS UI Gothic" "MS PGothic" "ＭＳ Ｐゴシック"; do
            printf '"%s"="IPAPGothic"\n' "$font"
        done
        for font in "MS Gothic" "ＭＳ ゴシック"; do printf '"%s"="IPAGothic"\n' "$font"; done
    } >"$work/fonts.txt"
    # regedit reads UTF-16 with a byte order mark, whatever the code page.
    { printf '\xff\xfe' && iconv -f UTF-8 -t UTF-16LE "$work/fonts.txt"; } >"$work/fonts.reg"
    "${wenv[@]}" "$wine" regedit /S "$(windows_path "$work/fonts.reg")" ||
        fail "could not import the font settings into the Wine prefix"
}

if ((under_wine)); then
    [[ -f /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf ]] ||
        fail "IPA Gothic is not installed (fonts-ipafont-gothic)"
    wine_env "$locale"
    make_prefix
    if [[ -n $setup ]]; then
        "${wenv[@]}" "$wine" "$setup" /S >"$work/setup.log" 2>&1 ||
            fail "the setup program $setup failed: $(cat "$work/setup.log")"
        WINEPREFIX=$prefix "$wineserver" -w
        [[ -f $(prefix_path "$dtchart") ]] || fail "the setup program did not install $dtchart"
        note "installed $dtchart with $setup"
    fi
fi

# --- The viewer ----------------------------------------------------------------------------

# start_viewer LOCALE: the viewer on our display in that locale; waits for its window and
# sets the window's origin.
start_viewer() {
    if ((under_wine)); then
        wine_env "$1"
        wine_fonts "$1"
        (
            cd "$work"
            exec "${wenv[@]}" "$wine" "$dtchart"
        ) >"$work/dtchart.log" 2>&1 &
    else
        (
            cd "$work"
            exec env -u LANG -u LANGUAGE -u LC_ALL -u QT_QPA_PLATFORMTHEME -u QT_STYLE_OVERRIDE \
                -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
                HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" \
                XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home/run" \
                LANG="$1" LC_ALL="$1" QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0 \
                QT_SCALE_FACTOR="$scale" \
                "$dtchart"
        ) >"$work/dtchart.log" 2>&1 &
    fi
    dtchart_pid=$!
    echo "$dtchart_pid" >"$work/viewer.pid"
    poll "$step_timeout" find_window Form1 || fail "the window Form1 did not appear"
    form=$wid
    eval "$(xdotool getwindowgeometry --shell "$form")"
    [[ $WIDTH == $((878 * scale)) && $HEIGHT == $((637 * scale)) ]] ||
        fail "Form1 is ${WIDTH}x$HEIGHT, expected $((878 * scale))x$((637 * scale))"
    origin_x=$X origin_y=$Y
    ((origin_x + WIDTH <= screen_width && origin_y + HEIGHT <= screen_height)) ||
        fail "Form1 at ($origin_x,$origin_y) is not wholly on the screen"
}

stop_viewer() {
    if ((under_wine)); then
        # wineserver -k kills every process of the prefix, the viewer outright (quietly).
        {
            stop_wine
            wait "$dtchart_pid" || true
        } 2>/dev/null
    else
        stop "$dtchart_pid"
    fi
    dtchart_pid=
}

# The frame's corner is black on white (Wine maps its windows black before they are painted).
frame_drawn() {
    shoot "$1" && locate chart 29 231 && [[ $(colour_at "$sx" "$sy") == 0,0,0 ]] &&
        locate chart 400 140 && [[ $(colour_at "$sx" "$sy") == 255,255,255 ]]
}

# Under another locale, the empty frame first under C.UTF-8, to compare with. Under Wine both
# come from Wine's text rendering, so they match too; Linux's captions differ from Wine's.
if [[ $locale != C.UTF-8 ]]; then
    start_viewer C.UTF-8
    poll "$step_timeout" frame_drawn start-c-locale || fail "the chart frame was not drawn under C.UTF-8"
    chart_picture "$work/frame-c-locale.rgb"
    stop_viewer
    poll "$step_timeout" window_gone Form1 || fail "the viewer under C.UTF-8 did not close"
fi

start_viewer "$locale"
note "viewer${setup:+ installed} in $locale at scale $scale${prefix:+ under Wine}: $dtchart"

# Before loading: the empty frame is drawn, the date's place is blank, the polar plot empty.
poll "$step_timeout" frame_drawn start || fail "the chart frame was not drawn at start-up"
if [[ $locale != C.UTF-8 ]]; then
    chart_picture "$work/frame.rgb"
    cmp -s "$work/frame.rgb" "$work/frame-c-locale.rgb" ||
        fail "the empty chart frame under $locale differs from C.UTF-8's (compare start.png and start-c-locale.png)"
fi
(($(dark_pixels chart 500 20 570 34) == 0)) || fail "the date's place is not blank before loading"
expect_colour "legend before loading" chart 790 230 "0,0,255"
expect_none "polar plot before stepping" polar 132 132 128 "127,127,127"
check_mismatches "wrong window at start-up"

# Keys go to the focused window. Wine without a window manager leaves X's focus following the
# pointer and passes keys on to its own active window; the window gets the focus outright, as
# a click on its title would.
expect_focus() {
    if ((under_wine)); then xdotool windowfocus "$1"; fi
    poll "$step_timeout" has_focus "$1" || fail "$2 did not get the keyboard focus"
}

# 読み込み: the question.
ask_to_load() {
    click $((8 + 44)) $((544 + 16))
    poll "$step_timeout" find_window dtchart || fail "the question did not appear after clicking 読み込み"
    question=$wid
}

# Yes (the default button) in the question: the file dialog, its file name field focused.
answer_yes() {
    expect_focus "$question" "the question"
    xdotool key Return
    poll "$step_timeout" window_gone dtchart || fail "the question stayed open after Return"
    poll "$step_timeout" find_titled Open 開く || fail "the file dialog did not appear after Yes"
    dialog=$wid
    expect_focus "$dialog" "the file dialog"
}

# Escape in the file dialog: nothing is loaded, nothing reported.
ask_to_load
answer_yes
xdotool key Escape
poll "$step_timeout" eval '! find_titled Open 開く' || fail "the file dialog stayed open after Escape"

# Once the question shows again, the viewer is done with the cancel: the frame is still empty.
ask_to_load
shoot cancelled
locate chart 30 51
(($(count_pixels "$sx" "$sy" $((sx + 720 * scale - 1)) $((sy + 180 * scale - 1)) "255,255,255") ==
    720 * 180 * scale * scale)) || fail "cells were drawn after cancelling the file dialog (screenshot $shot)"
(($(dark_pixels chart 500 20 570 34) == 0)) || fail "a date was drawn after cancelling the file dialog"

# Yes, and the log's path typed into the dialog, as the system writes paths, without its
# extension: the dialog's default extension finds the file.
typed=${log%.log} shown=$log
if ((under_wine)); then typed=$(windows_path "$typed") shown=$(windows_path "$log"); fi
answer_yes
xdotool type --delay 15 "$typed"
shoot dialog  # for a look at the dialog's texts
xdotool key Return
poll "$step_timeout" eval '! find_titled Open 開く' || fail "the file dialog stayed open after typing $typed"

# The date is printed last, so once it shows, the whole chart is there.
date_shown() { shoot loading work && (($(dark_pixels chart 500 20 570 34) > 20)); }
if ! poll "$step_timeout" date_shown; then
    find_window dtchart && fail "the viewer reported an error after choosing $log"
    fail "no date appeared at chart (500,20) after loading $log"
fi
shoot loaded

for c in 0 1 2; do
    for b in 0 1 2 3 4 5; do
        expect_colour "block of slots $((120 * b))+ bins $((60 * c))+" chart \
            $((90 + 120 * b)) $((200 - 60 * c)) "${block_colours[$((6 * c + b))]}"
    done
done
# Cell edges: slot i at x = 30 + i, bin j at y = 230 - j.
expect_colour "slot 0 (level 300)" chart 30 200 "0,255,211"
expect_colour "slot 1 bin 0 (level 900)" chart 31 230 "255,123,0"
expect_colour "slot 1 bin 29 (level 900)" chart 31 201 "255,123,0"
expect_colour "slot 1 bin 30 (level 300)" chart 31 200 "0,255,211"
expect_colour "slot 2 bin 0 (level 0)" chart 32 230 "0,0,255"
expect_colour "slot 119 (level 0)" chart 149 200 "0,0,255"
expect_colour "slot 120 (level 100)" chart 150 200 "0,100,255"
expect_colour "bin 59 (level 0)" chart 90 171 "0,0,255"
expect_colour "bin 60 (level 767)" chart 90 170 "255,255,0"
expect_colour "slot 719 bin 179 (level 820)" chart 749 51 "255,203,0"
expect_colour "frame corner" chart 29 231 "0,0,0"
expect_colour "frame corner" chart 750 50 "0,0,0"
# Legend: level v at y = 230 - v/8.
expect_colour "legend level 0" chart 790 230 "0,0,255"
expect_colour "legend level 256" chart 781 198 "0,255,255"
expect_colour "legend level 512" chart 800 166 "1,255,0"
expect_colour "legend level 1016" chart 790 103 "255,7,0"
# Nothing is drawn on the polar plot until the time scroll bar moves.
expect_none "polar plot before stepping" polar 132 132 128 "255,0,0"
check_mismatches "wrong chart after loading $log"
expect_text_box Text1 $((432 + 124)) $((400 + 12)) "$shown"

# One click on HScroll1's right arrow: slot 1 (0:02) on the polar plot.
click $((8 + 761 - 6)) $((296 + 8))
plot_drawn() {
    shoot stepping work && locate polar 0 0 &&
        (($(count_pixels "$sx" "$sy" $((sx + 260)) $((sy + 260)) "255,0,0") > 100))
}
poll "$step_timeout" plot_drawn || fail "no polar plot appeared after clicking HScroll1's right arrow"
shoot stepped

grey="127,127,127" red="255,0,0"
# Rings about (132,132), checked on the 225-degree diagonal, and the cross.
expect_near "ring 125" polar 43 220 1 "$grey"
expect_near "ring 93" polar 66 198 1 "$grey"
expect_near "ring 62" polar 88 176 1 "$grey"
expect_near "ring 31" polar 110 154 1 "$grey"
expect_colour "cross" polar 132 10 "$grey"
expect_colour "cross" polar 10 132 "$grey"
expect_colour "cross" polar 250 132 "$grey"
expect_colour "cross" polar 132 250 "$grey"
# Slot 1 reaches radius 900*125/1024 = 109.9 from 0 to 58 degrees clockwise from up and
# 300*125/1024 = 36.6 elsewhere; slot 0 would be 36.6 all round.
expect_near "level 900 at 20 degrees" polar 170 29 2 "$red"
expect_none "level 300 at 20 degrees" polar 145 98 3 "$red"
expect_near "level 300 at 80 degrees" polar 168 126 2 "$red"
expect_none "level 900 at 80 degrees" polar 240 113 3 "$red"
expect_near "level 300 at 225 degrees" polar 106 158 2 "$red"
expect_none "level 900 at 300 degrees" polar 37 77 3 "$red"
check_mismatches "wrong polar plot for slot 1"
expect_text_box Text2 $((432 + 124)) $((432 + 12)) "0:02"

stop_viewer
note "passed; screenshots in $artifacts"
