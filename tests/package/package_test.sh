#!/usr/bin/env bash
# Builds the package from this build tree, unpacks it into an empty root and
# checks what it holds: every file in its place, the programs running from
# there, the desktop entry and metainfo valid, lintian without errors.
# Usage: package_test.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb="$work/out/udare_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $deb"; exit 1; }
dpkg-deb -x "$deb" "$work/root" || exit 1
dpkg-deb -e "$deb" "$work/control" || exit 1
root=$work/root

for f in usr/bin/udare-tuner usr/bin/udare-ctl \
         usr/lib/udev/rules.d/70-udare.rules \
         usr/share/applications/udare.desktop \
         usr/share/icons/hicolor/scalable/apps/udare.svg \
         usr/share/metainfo/io.github.udare.tuner.metainfo.xml \
         usr/share/mime/packages/udare.xml \
         usr/share/man/man1/udare-tuner.1.gz usr/share/man/man1/udare-ctl.1.gz \
         usr/share/bash-completion/completions/udare-ctl \
         usr/share/doc/udare/copyright usr/share/doc/udare/changelog.gz; do
  [ -f "$root/$f" ] || bad "missing /$f"
done
for s in 16 22 24 32 48 64 128 256; do
  [ -f "$root/usr/share/icons/hicolor/${s}x${s}/apps/udare.png" ] || bad "missing ${s}x${s} icon"
done
[ -x "$work/control/postinst" ] || bad "no postinst"
grep -q 'udevadm control --reload-rules' "$work/control/postinst" || bad "postinst does not reload udev rules"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libudev1 libmspack0; do
  grep -q "$lib" <<<"$depends" || bad "Depends lacks $lib: $depends"
done
grep -q 'MimeType=application/x-udare-mode;' "$root/usr/share/applications/udare.desktop" || bad "desktop entry opens no mode files"
grep -q 'pattern="\*.vxs"' "$root/usr/share/mime/packages/udare.xml" || bad "mime type misses *.vxs"

# The unpacked programs run.
out=$("$root/usr/bin/udare-ctl" --simulate info 2>&1) || bad "udare-ctl --simulate info failed: $out"
grep -q 'Q9' <<<"$out" || bad "udare-ctl info does not name the model: $out"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/udare-tuner" --help >"$work/help" 2>&1 || bad "udare-tuner --help failed"
grep -q -- '--simulate' "$work/help" || bad "udare-tuner --help lists no --simulate"

# The generated documents say what the programs say.
zcat "$root/usr/share/man/man1/udare-ctl.1.gz" | grep -q 'upgrade\\-mcu' || bad "udare-ctl(1) lacks upgrade-mcu"
zcat "$root/usr/share/man/man1/udare-tuner.1.gz" | grep -q 'screenshot' || bad "udare-tuner(1) lacks its options"
bash -n "$root/usr/share/bash-completion/completions/udare-ctl" || bad "completion script does not parse"
completed=$(bash -c 'source "$1"; COMP_WORDS=(udare-ctl SetEqBand m); COMP_CWORD=2; _udare_ctl; echo "${COMPREPLY[*]}"' _ \
            "$root/usr/share/bash-completion/completions/udare-ctl")
[ "$completed" = "mic1 mic2 music main" ] || bad "completion of SetEqBand m gave '$completed'"

desktop-file-validate "$root/usr/share/applications/udare.desktop" || bad "desktop entry invalid"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.udare.tuner.metainfo.xml" >"$work/as" 2>&1 \
  || { cat "$work/as"; bad "metainfo invalid"; }
lintian --fail-on error "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian"; bad "lintian reports errors"; }
grep -E '^[EW]:' "$work/lintian" || true

[ $fail -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $fail
