#!/usr/bin/env bash
# The roses fall straight down at about 50 pixels a second. Enter then ends the program with
# exit code 0.
. "$(dirname "$0")/lib.sh"
e2e_init "$@"

e2e_start_desktop
e2e_start_program
expect_roses_falling

click_at 600 400 1
key Return
e2e_expect_exit_code_zero
