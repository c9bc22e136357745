#!/bin/sh
# A build for another processor against this machine's build of the same tree: one QtTest
# function, run by both suites (the other's under DTCHART_EMULATOR), must pass in both and print
# the same "picture" lines, each a picture's SHA-256.
#
# usage: same-as-host.sh HOST_SUITE SUITE FUNCTION
set -eu
out=$(mktemp)
trap 'rm -f "$out" "$out.host"' EXIT
pictures() {
    "$@" "$function" >"$out" 2>&1 || { cat "$out"; echo "same-as-host: FAIL: $* $function failed"; exit 1; } >&2
    sed -n 's/^QINFO *: [^ ]* \(picture .*\)/\1/p' "$out"
}
function=$3
pictures "$1" >"$out.host"
got=$(pictures ${DTCHART_EMULATOR:-} "$2")
[ -s "$out.host" ] || { echo "same-as-host: FAIL: the host's suite printed no pictures"; exit 1; }
printf '%s\n' "$got" | diff "$out.host" - ||
    { echo "same-as-host: FAIL: the pictures differ from the host build's (<) above"; exit 1; }
echo "same-as-host: $(wc -l <"$out.host") pictures the same to the bit as the host build's"
