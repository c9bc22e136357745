#!/bin/sh
# A build for another processor against this machine's build of the same tree: one QtTest
# function of a suite, run by both (the other's under DTCHART_EMULATOR), must pass in both and
# print the same "picture" lines, each a picture's SHA-256 to the bit.
#
# usage: same-as-host.sh HOST_SUITE SUITE FUNCTION
set -eu
[ $# -eq 3 ] || { echo "usage: $0 HOST_SUITE SUITE FUNCTION" >&2; exit 2; }
host=$1 suite=$2 function=$3
[ -x "$host" ] || { echo "same-as-host: no host build of the suite at $host (make build)" >&2; exit 1; }
pictures() {
    "$@" "$function" >"$out" 2>&1 || { cat "$out"; echo "same-as-host: FAIL: $* $function failed"; exit 1; }
    sed -n 's/^QINFO *: [^ ]* \(picture .*\)/\1/p' "$out"
}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
want=$(pictures "$host")
got=$(pictures ${DTCHART_EMULATOR:-} "$suite")
[ -n "$want" ] || { echo "same-as-host: FAIL: the host's suite printed no pictures"; exit 1; }
if [ "$got" != "$want" ]; then
    echo "same-as-host: FAIL: the pictures differ from the host build's (< host, > this build):"
    printf '%s\n' "$want" >"$out.host"
    printf '%s\n' "$got" | diff "$out.host" - || true
    rm -f "$out.host"
    exit 1
fi
printf '%s\n' "$got"
echo "same-as-host: $(printf '%s\n' "$got" | wc -l) pictures the same to the bit as the host build's"
