#!/usr/bin/env bash
# Builds the Debian package from this build tree and checks what an office
# gets from it: the files in their places, the desktop entry and the
# AppStream metadata as the desktop reads them, the dependencies, the
# copyright and changelog Debian asks for, lintian without errors, and a
# program from the unpacked package that answers.
# Usage: check_package.sh BUILD_DIR VERSION   (exit 77: a tool is missing)
set -euo pipefail
build=$1
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli file lintian; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$work/valmir_${version}_amd64.deb
[ -f "$deb" ] || { echo "FAIL: no $deb"; ls "$work"; exit 1; }

listed=$(dpkg-deb -c "$deb" | awk '{print $6}')
icons=./usr/share/icons/hicolor
expected=(./usr/bin/valmir
          ./usr/share/applications/si.valmir.Valmir.desktop
          ./usr/share/metainfo/si.valmir.Valmir.metainfo.xml
          ./usr/share/man/man1/valmir.1.gz
          ./usr/share/doc/valmir/copyright
          ./usr/share/doc/valmir/changelog.Debian.gz
          $icons/scalable/apps/si.valmir.Valmir.svg)
for size in 16 24 32 48 64 128 256; do
  expected+=("$icons/${size}x${size}/apps/si.valmir.Valmir.png")
done
for f in "${expected[@]}"; do
  grep -qxF "$f" <<<"$listed" || fail "the package lacks $f"
done

depends=$(dpkg-deb -f "$deb" Depends)
recommends=$(dpkg-deb -f "$deb" Recommends)
for p in libsqlcipher0 libqt6widgets6 libqt6svg6; do
  [[ $depends == *"$p"* ]] || fail "Depends lacks $p: $depends"
done
for p in libreoffice-writer-nogui qt6-translations-l10n; do
  [[ $recommends == *"$p"* ]] || fail "Recommends lacks $p: $recommends"
done

root=$work/root
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/si.valmir.Valmir.desktop" ||
  fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/si.valmir.Valmir.metainfo.xml" ||
  fail "appstreamcli validate"
# The menu finds the program and its icon by these names.
grep -qx "Exec=valmir" "$root/usr/share/applications/si.valmir.Valmir.desktop" || fail "Exec"
grep -qx "Icon=si.valmir.Valmir" "$root/usr/share/applications/si.valmir.Valmir.desktop" ||
  fail "Icon"
for size in 16 24 32 48 64 128 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/si.valmir.Valmir.png" |
    grep -q "PNG image data, $size x $size" || fail "the ${size}x${size} icon"
done
zcat "$root/usr/share/man/man1/valmir.1.gz" | grep -q '^\.TH VALMIR 1' || fail "manual page"
# The newest changelog entry is the version being packaged.
entry=$(zcat "$root/usr/share/doc/valmir/changelog.Debian.gz" 2>&1 | head -1 || true)
[[ $entry == "valmir ($version) "* ]] || fail "the changelog starts with: $entry"

# Errors fail the package; warnings are printed for the reader.
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || status=$?
cat "$work/lintian.log"
if [ $status -ne 0 ] || grep -q '^E: ' "$work/lintian.log"; then
  fail "lintian exits $status"
fi

answer=$("$root/usr/bin/valmir" --version) || fail "--version exits $?"
[ "$answer" = "VALMIR 2009, različica $version" ] || fail "--version says: $answer"
answer=$("$root/usr/bin/valmir" --help) || fail "--help exits $?"
grep -q "^Uporaba: valmir \[--data-dir MAPA\]" <<<"$answer" || fail "--help says: $answer"

[ $failed -eq 0 ] && echo "package $deb: all checks passed"
exit $failed
