#!/usr/bin/env bash
# Builds the release Debian package with CPack and checks it:
#   build-package/kestrel-tool_<version>_<arch>.deb
# then lintian (errors fail the script, warnings are shown), and the desktop entry and the AppStream metainfo
# as the package holds them, with desktop-file-validate and appstreamcli validate.
set -euo pipefail
cd "$(dirname "$0")/.."

KESTREL_WITH_PACKAGING=1 scripts/setup.sh
dir=build-package
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTREL_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$dir" -j"$(nproc)" --target kestrel-tool kestrel-cli kestrel-sim kestrel_packaging_files kestrel_translations
(cd "$dir" && rm -f kestrel-tool_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/kestrel-tool_*.deb)
echo "package: $deb"

contents=$(mktemp -d)
trap 'rm -rf "$contents"' EXIT
dpkg-deb -x "$deb" "$contents"
desktop-file-validate "$contents/usr/share/applications/org.kestreltool.KestrelTool.desktop"
appstreamcli validate --no-net "$contents/usr/share/metainfo/org.kestreltool.KestrelTool.metainfo.xml"
version=$(sed -n 's/^project(KestrelTool VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
grep -q "release version=\"$version\"" "$contents/usr/share/metainfo/org.kestreltool.KestrelTool.metainfo.xml"
[[ "$(basename "$deb")" == kestrel-tool_${version}_*.deb ]]
test -s "$contents/usr/share/kestrel-tool/translations/kestrel_en.qm"
# The gateway's service: an instance of the template as systemd reads it, against the package's files.
test -s "$contents/usr/share/doc/kestrel-tool/examples/gateway.conf.example"
unit="$contents/usr/lib/systemd/system/kestrel-gateway@.service"
mkdir -p "$contents/verify"
sed "s|/usr/bin/kestrel-cli|$contents/usr/bin/kestrel-cli|" "$unit" >"$contents/verify/kestrel-gateway@north.service"
# systemd only warns about a wrong line and goes on: any word from it fails the check.
said=$(systemd-analyze verify --man=no "$contents/verify/kestrel-gateway@north.service" 2>&1)
if [[ -n "$said" ]]; then
  echo "$said" >&2
  echo "package.sh: systemd-analyze verify finds fault with kestrel-gateway@.service" >&2
  exit 1
fi
# Lintian as root needs to be told that is fine; errors fail, warnings and info are printed.
lintian --allow-root --tag-display-limit 0 "$deb" | tee "$dir/lintian.txt" || true
if grep -q '^E:' "$dir/lintian.txt"; then
  echo "package.sh: lintian reports errors" >&2
  exit 1
fi
echo "package.sh: $deb passes lintian without errors"
