#!/usr/bin/env bash
# Builds the release Debian package with CPack and checks it:
#   build-package/kestrel-tool_<version>_<arch>.deb
# then lintian (errors fail the script, warnings are shown) and desktop-file-validate.
set -euo pipefail
cd "$(dirname "$0")/.."

KESTREL_WITH_PACKAGING=1 scripts/setup.sh
dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$dir" -j"$(nproc)" --target kestrel-tool kestrel-cli kestrel-sim kestrel_packaging_files kestrel_translations
(cd "$dir" && rm -f kestrel-tool_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/kestrel-tool_*.deb)
echo "package: $deb"

desktop-file-validate packaging/org.kestreltool.KestrelTool.desktop
# Lintian as root needs to be told that is fine; errors fail, warnings and info are printed.
lintian --allow-root --no-tag-display-limit "$deb" | tee "$dir/lintian.txt" || true
if grep -q '^E:' "$dir/lintian.txt"; then
  echo "package.sh: lintian reports errors" >&2
  exit 1
fi
echo "package.sh: $deb passes lintian without errors"
