#!/usr/bin/env bash
# The install test: installs the build into a temporary DESTDIR, runs the
# installed program's --version, validates the desktop entry and the
# AppStream metadata, then packs the same build with CPack (no rebuild) and
# checks that every installed file is in the package.
# usage: check-install.sh BUILD_DIR VERSION APP_ID [CMAKE CPACK]
set -euo pipefail
build=$1 version=$2 app_id=$3 cmake=${4:-cmake} cpack=${5:-cpack}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$work/root" "$cmake" --install "$build" --prefix /usr >/dev/null
root="$work/root"

out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/quorvel" --version) || fail "installed quorvel --version exited with $?"
[ "$out" = "Quorvel $version" ] || fail "installed quorvel --version printed '$out', not 'Quorvel $version'"

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$app_id.desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "the desktop entry's Exec ($exec_line) is not an installed program"
appstreamcli validate --no-net --explain "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "metainfo"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" \
    || fail "the metainfo's release is not $version"
for size in 16 32 48 256; do
    [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png" ] || fail "no ${size}x${size} icon"
done

(cd "$build" && "$cpack" -G DEB -B "$work/pkg" >/dev/null) || fail "cpack"
deb=$(ls "$work"/pkg/quorvel_"$version"_*.deb) || fail "no package quorvel_${version}_*.deb"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | sort > "$work/packaged"
(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) > "$work/installed"
missing=$(comm -23 "$work/installed" "$work/packaged")
[ -z "$missing" ] || fail "installed but not in the package: $missing"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
echo "install: $(wc -l < "$work/installed") files installed, all in $(basename "$deb")"
