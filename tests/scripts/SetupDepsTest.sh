#!/usr/bin/env bash
# scripts/setup-deps.sh against stand-ins for the package tools: which packages it installs,
# through sudo or not, and what it says when it cannot install them.
# Usage: SetupDepsTest.sh <path of setup-deps.sh>
set -uo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The stand-ins: dpkg-query knows the packages in $INSTALLED, id says $USER_ID, apt-get and
# sudo write each call to $CALLS. PATH holds nothing else, so no real tool is reached.
mkdir -p "$work/bin" "$work/bin-sudo"
cat >"$work/bin/dpkg-query" <<'STUB'
#!/bin/bash
package=${!#}
for p in $INSTALLED; do [[ $p == "$package" ]] && { printf 'install ok installed'; exit 0; }; done
exit 1
STUB
cat >"$work/bin/id" <<'STUB'
#!/bin/bash
echo "$USER_ID"
STUB
cat >"$work/bin/apt-get" <<'STUB'
#!/bin/bash
echo "apt-get $*" >>"$CALLS"
STUB
cat >"$work/bin-sudo/sudo" <<'STUB'
#!/bin/bash
echo -n "sudo " >>"$CALLS"
exec "$@"
STUB
chmod +x "$work"/bin/* "$work"/bin-sudo/*
ln -s "$(command -v grep)" "$work/bin/grep"

all="cmake g++ make pkg-config clang libclang-rt-14-dev libgtest-dev libgmock-dev
     qt6-base-dev libjpeg62-turbo-dev libavformat-dev libavcodec-dev libswresample-dev
     libavutil-dev libasound2-dev"
without() {  # the packages of $all but the ones named
  local p kept=()
  for p in $all; do [[ " $* " == *" $p "* ]] || kept+=("$p"); done
  echo "${kept[*]}"
}

# check <name> <user id> <sudo: yes|no> <installed> <argument> <status> <calls> <message>
#   status: the exit status expected; calls: the package tool
#   calls expected, one per line; message: an extended regular expression that the error
#   output, its lines joined by spaces, must match ("" for no output).
check() {
  local name=$1 uid=$2 sudo=$3 installed=$4 argument=$5 status=$6 calls=$7 message=$8
  local path="$work/bin"
  [[ $sudo == yes ]] && path="$path:$work/bin-sudo"
  : >"$work/calls"
  env -i PATH="$path" INSTALLED="$installed" USER_ID="$uid" CALLS="$work/calls" \
    "$BASH" "$script" $argument >"$work/out" 2>"$work/err"
  local got=$?
  local ok=1
  ((got == status)) || ok=0
  [[ "$(cat "$work/calls")" == "$calls" ]] || ok=0
  if [[ -z $message ]]; then [[ ! -s $work/err ]] || ok=0
  else tr '\n' ' ' <"$work/err" | grep -Eq "$message" || ok=0; fi
  if ((ok)); then
    echo "ok   $name"
  else
    echo "FAIL $name: exit status $got (expected $status)"
    echo "  calls:"; sed 's/^/    /' "$work/calls"
    echo "  expected calls:"; sed 's/^/    /' <<<"$calls"
    echo "  error output:"; sed 's/^/    /' "$work/err"
    failures=$((failures + 1))
  fi
}

install_calls() {  # the calls that install the named packages, with an optional prefix
  local prefix=$1; shift
  printf '%sapt-get update -qq\n%sapt-get install -y -qq --no-install-recommends %s' \
    "$prefix" "$prefix" "$*"
}

check "nothing missing, not root, no sudo: nothing to do" \
  1000 no "$all" "" 0 "" ""
check "missing, not root, no sudo: says what to do and fails" \
  1000 no "$(without cmake libasound2-dev)" "" 1 "" \
  "cmake libasound2-dev.*as root.*install sudo.*apt-get install cmake libasound2-dev"
check "missing, not root, with sudo: installs through sudo" \
  1000 yes "$(without qt6-base-dev)" "" 0 "$(install_calls "sudo " qt6-base-dev)" ""
check "missing, root, no sudo: installs without sudo" \
  0 no "$(without libgtest-dev)" "" 0 "$(install_calls "" libgtest-dev)" ""
check "fixtures: the encoders too, only those missing" \
  0 no "$all lame sox" --fixtures 0 "$(install_calls "" twolame ffmpeg)" ""
check "fixtures missing, not root, no sudo: names them and fails" \
  1000 no "$all" --fixtures 1 "" "lame twolame ffmpeg sox.*as root"

((failures == 0))
