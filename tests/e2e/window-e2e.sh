#!/usr/bin/env bash
# End-to-end test of the viewer on a private display, driven with the mouse and keyboard the
# way a person uses it: click 読み込み, answer Yes, cancel the file dialog and check that
# nothing was loaded; again, now typing the path of a log of known content into the dialog,
# then check the chart (every cell of it), the date, the legend and Text1 on screen; click the
# time scroll bar's right arrow once and check the polar plot and Text2.
#
# usage: window-e2e.sh DTCHART_BINARY ARTIFACT_DIR
# DTCHART_E2E_LANG (default C.UTF-8) is the locale the viewer runs in; under any other locale
# the empty chart frame must be the same picture as under C.UTF-8. DTCHART_E2E_SCALE (default
# 1; fractional ones in eighths, such as 1.25 or 1.5) is the screen's scale: logical pixel v of
# a picture then covers the device pixels from ceil(v * scale - 0.5) up to the next pixel's, a
# block 1 or 2 pixels a side at 1.5, and every check looks at the whole block.
# DTCHART_E2E_DISPLAY picks the display:
#   x11 (default)  a private Xvfb driven with xdotool; the scale is the viewer's QT_SCALE_FACTOR.
#   wayland        a private headless sway session, the output at the scale, driven with swaymsg's
#                  seat cursor, wtype, grim and wl-paste. The viewer gets WAYLAND_DISPLAY and no
#                  platform setting, and must come up as a native Wayland window. sway refuses
#                  root: run as root, the session and the viewer run as nobody. A compositor
#                  that cannot start skips the test (exit status 77).
# Screenshots are kept in ARTIFACT_DIR for inspection; everything else lives in a temporary
# folder, HOME included, that is removed on exit.
#
# DTCHART_E2E_WINE=1: DTCHART_BINARY is a Windows program, run by Wine's X11 driver on the same
# display in a private Wine prefix; the path typed into the system's open dialog and shown in
# Text1 is then the Windows one (Z:\tmp\...). DTCHART_E2E_WINE_SETUP names a setup program to
# install silently into the prefix first; DTCHART_BINARY is then the installed program's Windows
# path (C:\Program Files\dtchart\dtchart.exe). DTCHART_WINE_TEMPLATE, as for scripts/wine-run,
# is a prefix to copy rather than boot anew. The scale is then Windows' display scaling: the
# prefix's LogPixels, 96 times the scale (120 for 125 %, 144 for 150 %).

set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 DTCHART_BINARY ARTIFACT_DIR" >&2
    exit 2
fi
here=$(dirname "$(realpath "$0")")
artifacts=$2
step_timeout=${DTCHART_E2E_STEP_TIMEOUT:-30}  # seconds for any one thing to appear on screen
locale=${DTCHART_E2E_LANG:-C.UTF-8}
scale=${DTCHART_E2E_SCALE:-1}
display=${DTCHART_E2E_DISPLAY:-x11}
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

display_pids=()  # the display server and what keeps its input devices
display_up=
dtchart_pid=
watchdog_pid=
work=
prefix=

note() { echo "window-e2e: $*"; }

fail() {
    echo "window-e2e: FAIL: $*" >&2
    if [[ -n $display_up ]] && display_shoot "$artifacts/failure.png" 2>/dev/null; then
        echo "window-e2e: the screen at the failure: $artifacts/failure.png" >&2
        echo "window-e2e: its windows: $(display_windows 2>/dev/null | cut -f2 | paste -sd '|')" >&2
    fi
    if [[ -s ${work:-/nonexistent}/dtchart.log ]]; then
        echo "window-e2e: dtchart's output:" >&2
        sed 's/^/    /' "$work/dtchart.log" >&2
    fi
    exit 1
}

skip() {
    echo "window-e2e: SKIP: $*"
    exit 77
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
    local k
    stop "$watchdog_pid"
    stop_wine
    stop "$dtchart_pid"
    # The server last: what keeps its input devices first.
    for ((k = ${#display_pids[@]} - 1; k >= 0; k--)); do stop "${display_pids[k]}"; done
    if [[ -n $work ]]; then rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The scale in thousandths, for bash's integer arithmetic. Eighths are exact there and in Qt's
# floating-point arithmetic alike, so both put every block boundary on the same pixel.
[[ $scale =~ ^([1-9][0-9]*)(\.([0-9]{1,3}))?$ ]] ||
    fail "DTCHART_E2E_SCALE must be a number such as 1, 1.5 or 2, not '$scale'"
scale_fraction=${BASH_REMATCH[3]}000
scale_m=$((10#${BASH_REMATCH[1]} * 1000 + 10#${scale_fraction:0:3}))
((scale_m % 125 == 0)) || fail "DTCHART_E2E_SCALE must be a whole number of eighths, not $scale"

case $display in
x11) display_tools=(Xvfb xdpyinfo xdotool import xclip) ;;
wayland) display_tools=(sway swaymsg grim wtype wl-paste setpriv) ;;
*) fail "DTCHART_E2E_DISPLAY must be x11 or wayland, not '$display'" ;;
esac
for tool in "${display_tools[@]}" convert perl realpath; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps installs it)"
done
if ((under_wine)); then
    # Windows' display scaling comes in whole dots per inch.
    ((96 * scale_m % 1000 == 0)) || fail "DTCHART_E2E_SCALE $scale is no whole number of dots per inch"
    [[ $display == x11 ]] || fail "Wine runs on X11 only"
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
home="$work/home"
runtime="$home/run"
mkdir -p "$home/.config" "$home/.cache" "$home/.local/share" "$runtime"
chmod 700 "$runtime"

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

# --- Scale ---------------------------------------------------------------------------------

# Device pixels of a logical length or position, the nearest with halves up, as Qt places and
# sizes windows and widgets.
device() { echo $((($1 * scale_m + 500) / 1000)); }

# First device pixel of logical pixel V of a picture: ceil(V * scale - 0.5).
block_start() { echo $((($1 * scale_m + 499) / 1000)); }

screen_width=$(device 1024)
screen_height=$(device 768)
origin_x=0  # Form1's client area on the screen, in device pixels
origin_y=0
origin_lx=0  # the same in logical pixels (Wayland's layout)
origin_ly=0

# --- X11: Xvfb and xdotool -----------------------------------------------------------------

# A display is ours once the server we started answers on it and holds its lock file.
xvfb_ready() {
    local n=$1 owner
    kill -0 "$xvfb_pid" 2>/dev/null || return 0  # gone: stop waiting, the caller checks
    DISPLAY=:$n xdpyinfo >/dev/null 2>&1 || return 1
    read -r owner <"/tmp/.X$n-lock" 2>/dev/null || return 1
    [[ $owner == "$xvfb_pid" ]]
}

x11_start() {
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
            display_pids=("$xvfb_pid")
            note "Xvfb on $DISPLAY"
            return 0
        fi
        # Another server took the display first; try the next one.
        stop "$xvfb_pid"
        xvfb_pid=
    done
    fail "could not start Xvfb on any display from :$first to :$((first + 29))"
}

x11_shoot() { import -window root "$1"; }

# x11_click X Y: a click at the middle of logical pixel (X, Y) of Form1's client area.
x11_click() {
    xdotool mousemove $((origin_x + ($1 * scale_m + scale_m / 2) / 1000)) \
        $((origin_y + ($2 * scale_m + scale_m / 2) / 1000)) click 1
}

x11_keys() { xdotool key "$@"; }
x11_type() { xdotool type --delay 15 "$1"; }

# The visible windows, a line each: id, tab, title. xdotool's name search misses titles in
# non-Latin scripts, so every window's name is read.
x11_windows() {
    local w name
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
        name=$(xdotool getwindowname "$w" 2>/dev/null) || continue
        printf '%s\t%s\n' "$w" "$name"
    done
}

x11_focus() { xdotool getwindowfocus 2>/dev/null; }

x11_geometry() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    wx=$X wy=$Y ww=$WIDTH wh=$HEIGHT
}

x11_clipboard() { xclip -o -selection clipboard 2>/dev/null; }

# --- Wayland: a headless sway session ------------------------------------------------------

# sway refuses to run as root; run by root, the session and its clients run as nobody, in the
# temporary HOME, which nobody then owns.
as_user=()
if ((EUID == 0)) && [[ $display == wayland ]]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chmod 755 "$work"
    chown -R nobody:nogroup "$home"
fi
wayland_display=
swaysock=

# Sets session to the prefix of a command run in the session, with nothing of the test's
# environment but its path. A tool started in the background with it is $! itself.
session_command() {
    session=("${as_user[@]}" env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime"
        LANG=C.UTF-8 WAYLAND_DISPLAY="$wayland_display" SWAYSOCK="$swaysock")
}

in_session() {
    session_command
    "${session[@]}" "$@"
}

sway_ready() {
    local socket
    kill -0 "${display_pids[0]}" 2>/dev/null || return 0  # gone: stop waiting, the caller checks
    for socket in "$runtime"/wayland-*; do [[ -S $socket ]] && wayland_display=${socket##*/}; done
    for socket in "$runtime"/sway-ipc.*.sock; do [[ -S $socket ]] && swaysock=$socket; done
    [[ -n $wayland_display && -n $swaysock ]] && in_session swaymsg -t get_outputs >/dev/null 2>&1
}

# The seat has a pointer and a keyboard (capabilities 1 and 2).
seat_ready() {
    in_session swaymsg -r -t get_seats 2>/dev/null |
        perl -MJSON::PP -0777 -ne 'exit !grep { $_->{capabilities} == 3 } @{decode_json($_)}'
}

wayland_start() {
    in_session touch "$home/.session" 2>"$work/session.log" ||
        fail "the session's user cannot write its HOME $home: $(cat "$work/session.log")"
    # No XWayland, no bar, no borders; Form1 (a fixed size, so floating) at the output's corner,
    # where its pixels fall on whole device pixels; the keyboard focus moves only with clicks.
    cat >"$work/sway.conf" <<CONF
xwayland disable
output * mode ${screen_width}x$screen_height scale $scale position 0 0
default_border none
default_floating_border none
focus_follows_mouse no
for_window [app_id="^org\\.dtchart\\.Viewer\$" title="^Form1\$"] move position 0 0
CONF
    "${as_user[@]}" env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$runtime" LANG=C.UTF-8 \
        WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS=1 WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        sway --config "$work/sway.conf" >"$work/sway.log" 2>&1 &
    display_pids=($!)
    if ! poll "$step_timeout" sway_ready || ! kill -0 "${display_pids[0]}" 2>/dev/null; then
        skip "sway could not start a headless session here; its output:
$(tail -n 20 "$work/sway.log")"
    fi
    local mode
    mode=$(in_session swaymsg -r -t get_outputs | perl -MJSON::PP -0777 -ne '
        my ($o) = @{decode_json($_)}; printf "%dx%d at %d", $o->{current_mode}{width}, $o->{current_mode}{height}, $o->{scale} * 1000 + 0.5')
    [[ $mode == "${screen_width}x$screen_height at $scale_m" ]] ||
        fail "sway's output is $mode (scale in thousandths), not ${screen_width}x$screen_height at $scale_m"

    # A headless compositor has no input devices, and a seat without a pointer or a keyboard
    # gives clients none. A virtual pointer, moved by sway's seat cursor, and a virtual
    # keyboard (wtype asleep for an hour, longer than any run) stay for the whole run, so that
    # the keyboards of each wtype come and go without the seat losing its keyboard.
    session_command
    "${session[@]}" perl - <"$here/wl-pointer.pl" >"$work/pointer.log" 2>&1 &
    display_pids+=($!)
    "${session[@]}" wtype -s 3600000 >"$work/keyboard.log" 2>&1 &
    display_pids+=($!)
    poll "$step_timeout" seat_ready ||
        fail "sway's seat got no pointer and keyboard: $(cat "$work/pointer.log" "$work/keyboard.log")"
    park_cursor
    note "sway (headless) on $wayland_display at scale $scale"
}

wayland_shoot() { in_session grim -t png - >"$1"; }

# wayland_click X Y: as x11_click; sway's cursor takes layout (logical) coordinates. sway draws
# the cursor into the screenshots: it goes back to the screen's corner, off Form1, after a click.
wayland_click() {
    in_session swaymsg "seat - cursor set $((origin_lx + $1)).5 $((origin_ly + $2)).5" >/dev/null &&
        in_session swaymsg "seat - cursor press button1; seat - cursor release button1" >/dev/null &&
        park_cursor
}

park_cursor() { in_session swaymsg "seat - cursor set 1023 767" >/dev/null; }

# wayland_keys KEY...: keys as xdotool names them, "ctrl+a" included.
wayland_keys() {
    local arguments=() key modifier modifiers
    for key; do
        IFS=+ read -ra modifiers <<<"${key%"${key##*+}"}"
        for modifier in "${modifiers[@]}"; do arguments+=(-M "$modifier"); done
        arguments+=(-k "${key##*+}")
        for modifier in "${modifiers[@]}"; do arguments+=(-m "$modifier"); done
    done
    in_session wtype "${arguments[@]}"
}

wayland_type() { in_session wtype -d 15 -- "$1"; }

# sway's windows, a line each: id, focused (1 or 0), x, y, width, height (logical), shell,
# app_id, title.
sway_views() {
    in_session swaymsg -r -t get_tree | perl -CO -MJSON::PP -0777 -ne '
        my @nodes = (decode_json($_));
        while (my $n = shift @nodes) {
            push @nodes, @{$n->{nodes}}, @{$n->{floating_nodes}};
            next unless defined $n->{shell};
            my ($r, $w) = ($n->{rect}, $n->{window_rect});
            print join("\t", $n->{id}, $n->{focused} ? 1 : 0, $r->{x} + $w->{x}, $r->{y} + $w->{y},
                $w->{width}, $w->{height}, $n->{shell}, $n->{app_id} // "", $n->{name} // ""), "\n";
        }'
}

wayland_windows() { sway_views | cut -f 1,9; }
wayland_focus() { sway_views | awk -F '\t' '$2 == 1 { print $1 }'; }

# Also sets wlx and wly (logical), wshell and wapp.
wayland_geometry() {
    local id focused title
    IFS=$'\t' read -r id focused wlx wly ww wh wshell wapp title < <(sway_views | awk -F '\t' -v id="$1" '$1 == id')
    [[ -n $id ]] || return 1
    wx=$(device "$wlx") wy=$(device "$wly") ww=$(device "$ww") wh=$(device "$wh")
}

wayland_clipboard() { in_session wl-paste -n 2>/dev/null; }

# --- The display's operations --------------------------------------------------------------

display_start() { "${display}_start"; }
display_shoot() { "${display}_shoot" "$@"; }
click() { "${display}_click" "$@"; }  # click X Y in Form1's client area (logical pixels)
press_keys() { "${display}_keys" "$@"; }
type_text() { "${display}_type" "$@"; }
display_windows() { "${display}_windows"; }
window_geometry() { "${display}_geometry" "$@"; }  # sets wx wy ww wh, in device pixels
has_focus() { [[ $("${display}_focus") == "$1" ]]; }
clipboard_is() { [[ $("${display}_clipboard") == "$1" ]]; }

# --- Screenshots and pixels ----------------------------------------------------------------

# shoot NAME [work]: takes screenshot NAME.png and a raw RGB copy for reading pixels. The
# screenshots that are checked go to the artifacts; those taken while waiting ("work") go to
# the temporary folder.
shoot() {
    local dir=$artifacts
    [[ ${2:-} == work ]] && dir=$work
    shot="$dir/$1.png"
    shot_raw="$work/shot.rgb"
    display_shoot "$shot" && convert "$shot" -depth 8 "rgb:$shot_raw"
}

# Screen position of AREA's drawing area, "chart" (Picture1's) or "polar" (Picture2's), in
# device pixels, as find_area found it. Sets ax and ay.
area_origin() {
    case $1 in
    chart) ax=$chart_x ay=$chart_y ;;
    polar) ax=$polar_x ay=$polar_y ;;
    *) fail "unknown area $1" ;;
    esac
}

# Qt puts a picture's drawing area, at a fractional device position when the scale is one, on
# a pixel next to that position, which one depending on its version and the picture's size;
# the picture's blocks are laid out from there. find_area AREA finds it in the last screenshot
# from a line the picture draws a logical pixel wide at a known place: the chart box's left
# (x 29) and top (y 50) edges, the polar plot's cross (x 132, y 132). The line's first pixel
# must lie where a block of it starts for one of the two pixels next to the area's logical
# position; the line's pixels themselves are checked later. Sets AREA_x and AREA_y; false
# while the line is not there. A line elsewhere is a mismatch (in misplaced), and the area is
# then taken at the pixel before its place, so that the checks that follow still count what
# is not where it should be.
declare -A misplaced
find_area() {
    local area=$1 found left top line colour across_x across_y
    case $area in
    chart) left=2 top=2 line=29,50 colour="0,0,0" across_x=147 across_y=400 ;;
    polar) left=114 top=370 line=132,132 colour="127,127,127" across_x=210 across_y=60 ;;
    esac
    # Each axis is scanned from the pixel before the earliest one the line can start on.
    local x0=$((origin_x + left * scale_m / 1000)) y0=$((origin_y + top * scale_m / 1000))
    found=$(perl -e '
        my ($file, $width, $want, @scans) = @ARGV;
        open my $f, "<:raw", $file or die "$file: $!\n";
        local $/;
        my $rgb = <$f>;
        $want = pack "C3", split /,/, $want;
        # Each scan: from (x, y) along (dx, dy), 4 pixels: the offset of the first of colour
        # WANT, or -1.
        my @first;
        while (my ($x, $y, $dx, $dy) = splice @scans, 0, 4) {
            my ($k) = grep { substr($rgb, 3 * (($y + $_ * $dy) * $width + $x + $_ * $dx), 3) eq $want } 0 .. 3;
            push @first, $k // -1;
        }
        print "@first";
    ' "$shot_raw" "$screen_width" "$colour" \
        $((x0 + $(block_start "${line%,*}") - 1)) $((origin_y + $(device $((top + across_x))))) 1 0 \
        $((origin_x + $(device $((left + across_y))))) $((y0 + $(block_start "${line#*,}") - 1)) 0 1)
    local dx=${found% *} dy=${found#* }
    ((dx >= 0 && dy >= 0)) || return 1
    misplaced[$area]=
    if ((dx < 1 || dx > 1 + (left * scale_m % 1000 > 0) || dy < 1 || dy > 1 + (top * scale_m % 1000 > 0))); then
        misplaced[$area]="$area: the line at ($line) starts $((dx - 1)),$((dy - 1)) device pixels from where it would with the drawing area at ($left,$top) x $scale rounded down"
        dx=1 dy=1
    fi
    printf -v "${area}_x" %d $((x0 + dx - 1))
    printf -v "${area}_y" %d $((y0 + dy - 1))
}

# device_rect AREA X0 Y0 X1 Y1: the screen's pixels of logical points X0,Y0 .. X1,Y1 of AREA,
# all their blocks. Sets rx0 ry0 rx1 ry1 (inclusive).
device_rect() {
    area_origin "$1"
    rx0=$((ax + $(block_start "$2"))) ry0=$((ay + $(block_start "$3")))
    rx1=$((ax + $(block_start $(($4 + 1))) - 1)) ry1=$((ay + $(block_start $(($5 + 1))) - 1))
}

# Screen position of point (X, Y) of AREA: the top-left pixel of its block. Sets sx and sy.
locate() {
    device_rect "$1" "$2" "$3" "$2" "$3"
    sx=$rx0 sy=$ry0
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

# Pixels of AREA's rectangle X0,Y0 .. X1,Y1 (logical) that have COLOUR, as count_pixels.
area_pixels() {
    device_rect "$1" "$2" "$3" "$4" "$5"
    count_pixels "$rx0" "$ry0" "$rx1" "$ry1" "$6"
}

mismatches=()

# expect_colour WHAT AREA X Y COLOUR: the point's whole block is exactly COLOUR.
expect_colour() {
    local what=$1 area=$2 x=$3 y=$4 want=$5 got
    device_rect "$area" "$x" "$y" "$x" "$y"
    got=$(colour_at "$rx0" "$ry0")
    (($(count_pixels "$rx0" "$ry0" "$rx1" "$ry1" "$want") == (rx1 - rx0 + 1) * (ry1 - ry0 + 1))) ||
        mismatches+=("$what: $area ($x,$y) is ($got), expected ($want) over its whole block")
}

# expect_near WHAT AREA X Y R COLOUR: some pixel within R of the point has COLOUR.
expect_near() {
    local what=$1 area=$2 x=$3 y=$4 r=$5 want=$6
    (($(area_pixels "$area" $((x - r)) $((y - r)) $((x + r)) $((y + r)) "$want") > 0)) ||
        mismatches+=("$what: no ($want) pixel within $r of $area ($x,$y)")
}

# expect_none WHAT AREA X Y R COLOUR: no pixel within R of the point has COLOUR.
expect_none() {
    local what=$1 area=$2 x=$3 y=$4 r=$5 want=$6
    (($(area_pixels "$area" $((x - r)) $((y - r)) $((x + r)) $((y + r)) "$want") == 0)) ||
        mismatches+=("$what: unexpected ($want) pixel within $r of $area ($x,$y)")
}

# Dark pixels in rectangle X0,Y0 .. X1,Y1 of AREA.
dark_pixels() { area_pixels "$@" dark; }

# The chart's drawing area in the last screenshot, as raw RGB in FILE.
chart_picture() {
    device_rect chart 0 0 812 276
    convert "$shot" -crop "$((rx1 - rx0 + 1))x$((ry1 - ry0 + 1))+$rx0+$ry0" -depth 8 "rgb:$1"
}

check_mismatches() {
    local area
    for area in "${!misplaced[@]}"; do
        [[ -z ${misplaced[$area]} ]] || mismatches=("${misplaced[$area]}" "${mismatches[@]}")
        unset "misplaced[$area]"
    done
    if ((${#mismatches[@]} > 0)); then
        printf '    %s\n' "${mismatches[@]}" >&2
        fail "$1 (${#mismatches[@]} mismatches; screenshot $shot)"
    fi
}

# --- Driving the window -------------------------------------------------------------------

# Sets wid to a visible window whose whole title is one of the arguments.
find_titled() {
    local w name title
    while IFS=$'\t' read -r w name; do
        for title; do
            [[ $name == "$title" ]] && wid=$w && return 0
        done
    done < <(display_windows)
    return 1
}

find_window() { find_titled "$1"; }
window_gone() { ! find_titled "$1"; }

# Copies a text box's contents the way a person would, and checks them.
expect_text_box() {
    local name=$1 x=$2 y=$3 want=$4
    click "$x" "$y"
    press_keys ctrl+a ctrl+c
    poll "$step_timeout" clipboard_is "$want" ||
        fail "$name reads '$("${display}_clipboard")', expected '$want'"
}

# --- The log ------------------------------------------------------------------------------

# Slots 2..719 hold one level per block of 120 slots by 60 bins, block_levels below by rows of
# blocks from bin 0 up. Slot 0 holds 300 everywhere and slot 1 holds 900 for bins 0..29 (0 to
# 58 degrees) and 300 beyond, so that its polar plot is lopsided and tells the direction of the
# angles. The level of a cell, for the perl programs that write the log and check the chart;
# they set @blocks to block_levels.
day_levels='
    our @blocks;
    sub level {
        my ($slot, $bin) = @_;
        return $slot == 0 ? 300 : $slot == 1 ? ($bin < 30 ? 900 : 300)
             : $blocks[6 * int($bin / 60) + int($slot / 120)];
    }'
block_levels=(0 100 255 384 511 640 767 900 1023 -1 0 1023 50 1000 700 200 450 820)
# Expected colours of the blocks, in the same order, and of the two levels of slots 0 and 1.
block_colours=(
    "0,0,255" "0,100,255" "0,255,255" "0,255,127" "0,255,0" "129,255,0"
    "255,255,0" "255,123,0" "255,0,0" "0,0,0" "0,0,255" "255,0,0"
    "0,50,255" "255,23,0" "189,255,0" "0,200,255" "0,255,61" "255,203,0"
)
level_colours=("300=0,255,211" "900=255,123,0")
for k in "${!block_levels[@]}"; do level_colours+=("${block_levels[k]}=${block_colours[k]}"); done

mkdir -p "$work/logs"
log="$work/logs/250131.log"
perl -e '
    my $file = shift;
    @blocks = split " ", shift;'"$day_levels"'
    open my $out, ">:raw", $file or die "$file: $!\n";
    for my $slot (0 .. 719) {
        print $out pack("s<*", map { level($slot, $_) } 0 .. 179);
    }
    close $out or die "$file: $!\n";
' -- "$log" "${block_levels[*]}"
(($(stat -c %s "$log") == 259200)) || fail "the generated log is not 259,200 bytes"

# Every one of the day's 720 x 180 cells in the last screenshot is one solid block of exactly
# its level's colour, and every point of the chart box's edges, (29,50)-(750,231), is black:
# the cells must tile the box without seams at any scale. One pass over the screenshot; adds
# the counts of those that are not, with a few examples, to the mismatches.
expect_whole_chart() {
    local report
    area_origin chart
    report=$(perl -e '
        my ($file, $width, $left, $top, $scale) = splice @ARGV, 0, 5;
        @blocks = split " ", shift;'"$day_levels"'
        my %colour = map { my ($level, $rgb) = split /=/; ($level, pack "C3", split /,/, $rgb) } @ARGV;
        open my $f, "<:raw", $file or die "$file: $!\n";
        local $/;
        my $rgb = <$f>;
        # Where the blocks of the logical columns and rows start on the screen.
        my @column = map { $left + int(($_ * $scale + 499) / 1000) } 0 .. 800;
        my @row = map { $top + int(($_ * $scale + 499) / 1000) } 0 .. 300;
        sub text { join ",", unpack "C3", $_[0] }
        # Empty when the block of logical point (x, y) is all of colour WANT; else what it holds.
        sub block {
            my ($x, $y, $want) = @_;
            my $w = $column[$x + 1] - $column[$x];
            my $line = $want x $w;
            my $bad = 0;
            for my $dy ($row[$y] .. $row[$y + 1] - 1) {
                $bad ||= substr($rgb, 3 * ($dy * $width + $column[$x]), 3 * $w) ne $line;
            }
            return "" unless $bad;
            my %seen;
            for my $dy ($row[$y] .. $row[$y + 1] - 1) {
                $seen{text(substr($rgb, 3 * ($dy * $width + $_), 3))}++ for $column[$x] .. $column[$x + 1] - 1;
            }
            return sprintf "device pixels (%d,%d) %dx%d: expected (%s), found %s", $column[$x], $row[$y],
                $w, $row[$y + 1] - $row[$y], text($want), join(" ", map { "($_)" } sort keys %seen);
        }
        my (@cells, @edges, $found);
        for my $slot (0 .. 719) {
            for my $bin (0 .. 179) {
                my $level = level($slot, $bin);
                push @cells, "slot $slot bin $bin (level $level) at $found"
                    if $found = block(30 + $slot, 230 - $bin, $colour{$level});
            }
        }
        my @edge = ((map { ([$_, 50], [$_, 231]) } 29 .. 750), (map { ([29, $_], [750, $_]) } 51 .. 230));
        for (@edge) {
            push @edges, "chart box edge ($_->[0],$_->[1]) at $found" if $found = block(@$_, "\0\0\0");
        }
        printf "%d of 129600 cells are not one block of their colour, %d of %d points of the chart box edges not black\n",
            scalar @cells, scalar @edges, scalar @edge;
        print "$_\n" for grep { defined } @cells[0 .. 4], @edges[0 .. 4];
    ' -- "$shot_raw" "$screen_width" "$ax" "$ay" "$scale_m" "${block_levels[*]}" "${level_colours[@]}")
    note "whole chart: ${report%%$'\n'*}"
    [[ $report =~ ^0\ of\ 129600\ [^,]*,\ 0\ of ]] || mismatches+=("whole chart: ${report//$'\n'/$'\n    '}")
}

# --- The run ------------------------------------------------------------------------------

display_start
display_up=1

# Should this script be killed outright (a test timeout), the display, the viewer, Wine and the
# temporary folder go with it.
((under_wine)) && prefix=$work/prefix
(
    while kill -0 $$ 2>/dev/null; do sleep 1; done
    [[ -n $prefix ]] && WINEPREFIX=$prefix "$wineserver" -k
    kill "$(cat "$work/viewer.pid")" "${display_pids[@]}"
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
# LOCALE the viewer then runs in. The display scaling goes in with them.
wine_fonts() {
    local font key dialog_fonts=()
    [[ $1 == C.* ]] || dialog_fonts=("MS Shell Dlg" "MS Shell Dlg 2")
    {
        printf 'Windows Registry Editor Version 5.00\n\n'
        printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\n'
        for font in "${dialog_fonts[@]}" "MS UI Gothic" "MS PGothic" "ＭＳ Ｐゴシック"; do
            printf '"%s"="IPAPGothic"\n' "$font"
        done
        for font in "MS Gothic" "ＭＳ ゴシック"; do printf '"%s"="IPAGothic"\n' "$font"; done
        # Where winecfg keeps it, and where the user's own setting would be.
        for key in 'HKEY_CURRENT_CONFIG\Software\Fonts' 'HKEY_CURRENT_USER\Control Panel\Desktop'; do
            printf '\n[%s]\n"LogPixels"=dword:%08x\n' "$key" $((96 * scale_m / 1000))
        done
    } >"$work/fonts.txt"
    # regedit reads UTF-16 with a byte order mark, whatever the code page.
    { printf '\xff\xfe' && iconv -f UTF-8 -t UTF-16LE "$work/fonts.txt"; } >"$work/fonts.reg"
    "${wenv[@]}" "$wine" regedit /S "$(windows_path "$work/fonts.reg")" ||
        fail "could not import the font settings into the Wine prefix"
    # The display scaling is read when the prefix's session starts: a new one for the viewer.
    stop_wine
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

# The session's user runs the build's viewer where it may, else a copy.
viewer=$dtchart
if ((${#as_user[@]} > 0)) && ! "${as_user[@]}" test -x "$dtchart"; then
    install -D -m 755 "$dtchart" "$work/bin/dtchart"
    viewer=$work/bin/dtchart
fi

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
        local unset=(LANG LANGUAGE LC_ALL QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
            QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_ENABLE_HIGHDPI_SCALING)
        local set=(HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
            XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$runtime" LANG="$1" LC_ALL="$1")
        if [[ $display == x11 ]]; then
            set+=(QT_QPA_PLATFORM=xcb QT_ENABLE_HIGHDPI_SCALING=0 QT_SCALE_FACTOR="$scale")
        else
            # As on a Wayland desktop: Qt finds the compositor and its scale by itself.
            unset+=(DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP XDG_SESSION_DESKTOP)
            set+=(WAYLAND_DISPLAY="$wayland_display")
        fi
        (
            cd "$work"
            exec "${as_user[@]}" env "${unset[@]/#/--unset=}" "${set[@]}" "$viewer"
        ) >"$work/dtchart.log" 2>&1 &
    fi
    dtchart_pid=$!
    echo "$dtchart_pid" >"$work/viewer.pid"
    poll "$step_timeout" find_window Form1 || fail "the window Form1 did not appear"
    form=$wid
    window_geometry "$form"
    [[ $ww == $(device 878) && $wh == $(device 637) ]] ||
        fail "Form1 is ${ww}x$wh, expected $(device 878)x$(device 637)"
    origin_x=$wx origin_y=$wy
    ((origin_x + ww <= screen_width && origin_y + wh <= screen_height)) ||
        fail "Form1 at ($origin_x,$origin_y) is not wholly on the screen"
    if [[ $display == wayland ]]; then
        origin_lx=$wlx origin_ly=$wly
        [[ $wshell == xdg_shell ]] || fail "Form1 is not a native Wayland window (shell $wshell)"
        [[ $wapp == org.dtchart.Viewer ]] ||
            fail "Form1's app_id is '$wapp', not the desktop entry's org.dtchart.Viewer"
    fi
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

# The pictures are there, the frame's corner black on white (Wine maps its windows black before
# they are painted).
# The polar plot's drawing area is found once the plot is drawn; until then it is taken at the
# pixel at or before its place, for checks that look at most of it.
frame_drawn() {
    shoot "$1" && find_area chart && locate chart 29 231 && [[ $(colour_at "$sx" "$sy") == 0,0,0 ]] &&
        locate chart 400 140 && [[ $(colour_at "$sx" "$sy") == 255,255,255 ]] &&
        polar_x=$((origin_x + 114 * scale_m / 1000)) polar_y=$((origin_y + 370 * scale_m / 1000))
}

# Under another locale, the empty frame first under C.UTF-8, to compare with. Under Wine both
# come from Wine's text rendering, so they match too; Linux's captions differ from Wine's.
if [[ $locale != C.UTF-8 ]]; then
    start_viewer C.UTF-8
    poll "$step_timeout" frame_drawn start-c-locale || fail "no chart frame under C.UTF-8: its box edges and corner are not black at their places (screenshot $shot)"
    chart_picture "$work/frame-c-locale.rgb"
    stop_viewer
    poll "$step_timeout" window_gone Form1 || fail "the viewer under C.UTF-8 did not close"
fi

start_viewer "$locale"
note "viewer${setup:+ installed} in $locale at scale $scale on $display${prefix:+ under Wine}: $dtchart"

# Before loading: the empty frame is drawn, the date's place is blank, the polar plot empty.
poll "$step_timeout" frame_drawn start || fail "no chart frame at start-up: its box edges and corner are not black at their places (screenshot $shot)"
if [[ $locale != C.UTF-8 ]]; then
    chart_picture "$work/frame.rgb"
    cmp -s "$work/frame.rgb" "$work/frame-c-locale.rgb" ||
        fail "the empty chart frame under $locale differs from C.UTF-8's (compare start.png and start-c-locale.png)"
fi
(($(dark_pixels chart 500 20 570 34) == 0)) || fail "the date's place is not blank before loading"
expect_colour "legend before loading" chart 790 230 "0,0,255"
expect_none "polar plot before stepping" polar 132 132 128 "127,127,127"
# What is wrong in these pictures is reported with the loaded chart's, so that a run on a
# display where they are drawn wrong still goes on to count the chart's cells.

# Keys go to the focused window. Wine without a window manager leaves X's focus following the
# pointer and passes keys on to its own active window; the window gets the focus outright, as
# a click on its title would.
expect_focus() {
    if ((under_wine)); then xdotool windowfocus "$1"; fi
    poll "$step_timeout" has_focus "$1" || fail "$2 did not get the keyboard focus"
}

# 読み込み: the question, over the window.
ask_to_load() {
    click $((8 + 44)) $((544 + 16))
    poll "$step_timeout" find_window dtchart || fail "the question did not appear after clicking 読み込み"
    question=$wid
    ((under_wine)) && return
    window_geometry "$question"
    ((wx >= origin_x && wy >= origin_y && wx + ww <= origin_x + $(device 878) &&
        wy + wh <= origin_y + $(device 637))) ||
        fail "the question (${ww}x$wh at $wx,$wy) is not over Form1"
}

# Yes (the default button) in the question: the file dialog, its file name field focused.
answer_yes() {
    expect_focus "$question" "the question"
    press_keys Return
    poll "$step_timeout" window_gone dtchart || fail "the question stayed open after Return"
    poll "$step_timeout" find_titled Open 開く || fail "the file dialog did not appear after Yes"
    dialog=$wid
    expect_focus "$dialog" "the file dialog"
}

# Escape in the file dialog: nothing is loaded, nothing reported.
ask_to_load
answer_yes
press_keys Escape
poll "$step_timeout" eval '! find_titled Open 開く' || fail "the file dialog stayed open after Escape"

# Once the question shows again, the viewer is done with the cancel: the frame is still empty
# (the cells within the box's edges, less a cell along each, should the box be misplaced).
ask_to_load
shoot cancelled
device_rect chart 31 52 748 229
(($(count_pixels "$rx0" "$ry0" "$rx1" "$ry1" "255,255,255") == (rx1 - rx0 + 1) * (ry1 - ry0 + 1))) ||
    fail "cells were drawn after cancelling the file dialog (screenshot $shot)"
(($(dark_pixels chart 500 20 570 34) == 0)) || fail "a date was drawn after cancelling the file dialog"

# Yes, and the log's path typed into the dialog, as the system writes paths, without its
# extension: the dialog's default extension finds the file.
typed=${log%.log} shown=$log
if ((under_wine)); then typed=$(windows_path "$typed") shown=$(windows_path "$log"); fi
answer_yes
type_text "$typed"
shoot dialog  # for a look at the dialog's texts
press_keys Return
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
expect_whole_chart
# Legend: level v at y = 230 - v/8.
expect_colour "legend level 0" chart 790 230 "0,0,255"
expect_colour "legend level 256" chart 781 198 "0,255,255"
expect_colour "legend level 512" chart 800 166 "1,255,0"
expect_colour "legend level 1016" chart 790 103 "255,7,0"
# Nothing is drawn on the polar plot until the time scroll bar moves.
expect_none "polar plot before stepping" polar 132 132 128 "255,0,0"
check_mismatches "wrong pictures before or after loading $log"
expect_text_box Text1 $((432 + 124)) $((400 + 12)) "$shown"

# One click on HScroll1's right arrow: slot 1 (0:02) on the polar plot.
click $((8 + 761 - 6)) $((296 + 8))
plot_drawn() { shoot stepping work && (($(area_pixels polar 0 0 263 263 "255,0,0") > 100)); }
poll "$step_timeout" plot_drawn || fail "no polar plot appeared after clicking HScroll1's right arrow"
shoot stepped
find_area polar || fail "no cross on the polar plot (screenshot $shot)"
note "drawing areas on the screen: Picture1's from ($chart_x,$chart_y), Picture2's from ($polar_x,$polar_y)"

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
