#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, only those that are missing.
# Safe to run any number of times. Pass --fixtures to add the encoders that remake test fixtures.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  clang libclang-rt-14-dev
  libgtest-dev libgmock-dev
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
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "Missing Debian packages: ${missing[*]}" >&2
      echo "Installing them needs root, and sudo is not installed: run this again as root" \
        "(or install sudo first), or have root run:" >&2
      echo "  apt-get install ${missing[*]}" >&2
      exit 1
    fi
    sudo_cmd=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
