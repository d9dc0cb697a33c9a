#!/usr/bin/env bash
# The roses fall straight down at about 50 pixels a second: the later of two screenshots is
# the earlier one moved down, by about 50 pixels for each second between them. Enter then
# ends the program with exit code 0.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"

timed_shot() {
    local before after
    before="$(now_ms)"
    shot "$1"
    after="$(now_ms)"
    echo $(((before + after) / 2))
}

e2e_start_desktop
e2e_start_program
first_time="$(timed_shot "$WORK/first.png")"
sleep 2
second_time="$(timed_shot "$WORK/second.png")"

read -r fall rest <<<"$(best_fall "$WORK/first.png" "$WORK/second.png")"
standing="$(shift_difference "$WORK/first.png" "$WORK/second.png" 0)"
elapsed=$((second_time - first_time))
note "fall $fall px in $elapsed ms; $rest pixels left over, $standing without the fall"
[ "$rest" -lt $((standing / 5)) ] || fail "the later picture is not the earlier one moved down"
speed=$((fall * 1000 / elapsed))
[ "$speed" -ge 25 ] && [ "$speed" -le 75 ] || fail "the roses fall $speed pixels a second"

click_at 600 400 1
key Return
e2e_expect_exit_code_zero
