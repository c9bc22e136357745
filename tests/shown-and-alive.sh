# Sourced by the tests that start the viewer and watch it: with Qt's painting reports on
# (QT_LOGGING_RULES=qt.widgets.painting.info=true, QT_MESSAGE_PATTERN='%{type} %{category}:
# %{message}'), every flush of a window to the screen is one line of its output.

# shown_and_alive PID LOG: waits for the viewer (PID, output in LOG) to show Form1, then two
# seconds more; on failure says why and returns 1. Form1, the one top-level window, is flushed
# whole (878 x 637) when first shown; Qt 6.4 and 6.8 both report that the same way.
shown_and_alive() {
    local pid=$1 log=$2 i
    shown() { grep -q '^info qt.widgets.painting: Flushing top level QRegion(0,0 878x637)' "$log"; }
    for ((i = 0; i < 600; i++)); do
        shown && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    shown || { printf 'no window was shown:\n%s' "$(cat "$log")"; return 1; }
    sleep 2
    kill -0 "$pid" 2>/dev/null || { echo "it ended within two seconds of showing its window"; return 1; }
}

# said_more LOG: true, printing them, when LOG has lines other than painting reports.
said_more() { grep -v '^info qt.widgets.painting: ' "$1"; }
