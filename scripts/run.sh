#!/usr/bin/env bash
# Builds the converter and starts it; with "setup", builds the setup wizard and starts that.
# Usage: scripts/run.sh [setup]
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  "")    target=Brassel; program=build/converter/Brassel; name="the converter" ;;
  setup) target=setup;   program=build/install/setup/setup; name="setup" ;;
  *) echo "usage: $0 [setup]" >&2; exit 2 ;;
esac
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  echo "No display: run this in a desktop session (DISPLAY set), or with QT_QPA_PLATFORM=offscreen to run $name unseen." >&2
  exit 1
fi
bash scripts/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target "$target"
# A display that cannot be reached is told by the program itself.
exec "$program"
