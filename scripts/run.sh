#!/usr/bin/env bash
# Builds the converter and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "No display: run this in a desktop session (DISPLAY set), or with QT_QPA_PLATFORM=offscreen to run the converter unseen." >&2
  exit 1
fi
bash scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target Brassel
exec build/converter/Brassel "$@"
