#!/usr/bin/env bash
# Builds Kestrel Tool and starts it with a simulated bus: press "Открыть порт" and the reader tab
# comes alive. Extra arguments go to kestrel-tool (for example --port /dev/ttyUSB0).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build --target kestrel-tool kestrel-sim -j"$(nproc)"
exec ./build/kestrel-tool --demo "$@"
