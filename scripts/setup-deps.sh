#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those that are missing.
# Safe to run any number of times. Pass --fixtures to add the encoders that remake test fixtures.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev
  libjpeg62-turbo-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libasound2-dev

)
if [[ "${1:-}" == "--fixtures" ]]; then
  packages+=(lame twolame ffmpeg sox)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
