#!/usr/bin/env bash
# Each program, started as a user would without a display or with one that cannot be reached,
# says what to do and ends with status 1, never with Qt's abort.
# Usage: ProgramsWithoutDisplayTest.sh <program>...
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
failures=0

display=4711  # an X display that no server serves here
while [[ -e /tmp/.X11-unix/X$display ]]; do display=$((display + 1)); done

# check <program> <message: extended regular expression> <environment...>
check() {
  local program=$1 message=$2
  shift 2
  env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
    BRASSEL_ROOT="$work/root" "$@" timeout 60 "$program" >"$work/out" 2>"$work/err"
  local status=$?
  local shown
  shown=$(tail -n 1 "$work/err")
  if ((status == 1)) && [[ $shown =~ $message ]]; then
    echo "ok   $(basename "$program") $*"
  else
    echo "FAIL $(basename "$program") $*: exit status $status, error output:"
    sed 's/^/    /' "$work/err"
    failures=$((failures + 1))
  fi
}

offscreen="or with QT_QPA_PLATFORM=offscreen to run it unseen\.$"
for program in "$@"; do
  check "$program" "^No display: .*$offscreen"
  check "$program" "^Cannot open the display \(DISPLAY=:$display\): .*$offscreen" DISPLAY=:$display
done
((failures == 0))
