#!/usr/bin/env bash
# Checks an install made with `cmake --install BUILD_DIR --prefix PREFIX`: both programs answer,
# the desktop entry is valid and opens files, the AppStream file is valid, the icons have their
# sizes, and both manual pages render and are found by man. Prints what it checked; exits
# non-zero on the first fault.
#   scripts/check-install.sh BUILD_DIR PREFIX
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR PREFIX" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
prefix=$(cd "$2" && pwd)
fail() { echo "check-install: $*" >&2; exit 1; }
ok() { echo "check-install: ok  $*"; }

# Everything the build says it installed is there, and inside the prefix.
manifest=$build/install_manifest.txt
[ -s "$manifest" ] || fail "no $manifest: install first"
while IFS= read -r f; do
  case "$f" in "$prefix"/*) ;; *) fail "installed outside the prefix: $f" ;; esac
  [ -e "$f" ] || fail "missing: $f"
done < "$manifest"
ok "$(wc -l < "$manifest") files of the manifest"

# The programs.
for p in stillmar stillmar-mci; do
  [ -x "$prefix/bin/$p" ] || fail "no program $prefix/bin/$p"
done
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/stillmar" --version)
[[ "$version" == "Stillmar "* ]] || fail "stillmar --version said: $version"
env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/stillmar" --help | grep -q '^Usage : stillmar' ||
  fail "stillmar --help"
status=0
env -u DISPLAY "$prefix/bin/stillmar" --no-such-option 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "an unknown option gave exit status $status, not 2"
reply=$(printf 'status nothing mode\nclose all\n' | "$prefix/bin/stillmar-mci")
[ "$(printf '%s\n' "$reply" | wc -l)" -eq 2 ] || fail "stillmar-mci answered: $reply"
ok "bin/stillmar ($version), bin/stillmar-mci"

# The desktop entry.
entry=$prefix/share/applications/stillmar.desktop
[ -f "$entry" ] || fail "no $entry"
desktop-file-validate "$entry" || fail "desktop-file-validate $entry"
grep -qx 'Exec=stillmar %f' "$entry" || fail "$entry does not open files (Exec)"
types=$(sed -n 's/^MimeType=//p' "$entry" | tr ';' '\n' | grep -c .) || true
[ "$types" -gt 0 ] || fail "$entry lists no MimeType"
ok "share/applications/stillmar.desktop (valid, $types file types)"

# The software-centre description: valid, launching that entry.
metainfo=$(find "$prefix/share/metainfo" -name '*.metainfo.xml' 2>/dev/null)
[ "$(printf '%s\n' "$metainfo" | grep -c .)" -eq 1 ] || fail "not one AppStream file: $metainfo"
appstreamcli validate --no-net "$metainfo" >/dev/null || {
  appstreamcli validate --no-net "$metainfo"
  fail "appstreamcli validate $metainfo"
}
grep -q '<launchable type="desktop-id">stillmar.desktop</launchable>' "$metainfo" ||
  fail "$metainfo does not launch stillmar.desktop"
ok "share/metainfo/$(basename "$metainfo") (valid)"

# The icons, at the size their folder names.
for size in 16 22 24 32 48 64 128 256; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/stillmar.png
  [ -f "$icon" ] || fail "no $icon"
  got=$(identify -format '%wx%h' "$icon")
  [ "$got" = "${size}x${size}" ] || fail "$icon is $got"
done
ok "share/icons/hicolor/*/apps/stillmar.png (8 sizes)"

# The manual pages: they render without a warning and man finds them under the prefix.
for page in stillmar stillmar-mci; do
  file=$prefix/share/man/man1/$page.1
  [ -f "$file" ] || fail "no $file"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$file: $warnings"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q "^NOM" || fail "$file renders no NOM"
  found=$(MANPATH="$prefix/share/man" man -w "$page")
  [ "$found" = "$file" ] || fail "man -w $page found '$found'"
done
ok "share/man/man1/stillmar.1, stillmar-mci.1"
