#!/usr/bin/env bash
# Checks the Debian package that `cpack -G DEB` made: its control fields and contents, its
# AppStream file (appstreamcli) and lintian (no errors). Then, as root only, installs it into this
# machine with apt-get, starts the installed program as an unprivileged user with a home of its
# own (offscreen: alive after 5 s, capture folder made in that home's pictures folder), removes
# it with its configuration and checks that nothing of it is left. Prints each step; exits
# non-zero on the first fault.
#   scripts/check-package.sh PACKAGE.deb
set -euo pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 PACKAGE.deb" >&2
  exit 2
fi
fail() { echo "check-package: $*" >&2; exit 1; }
step() { echo "--- $*"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# World-readable, so that apt's unprivileged download user reads it too.
chmod 755 "$work"
deb=$work/$(basename "$1")
cp "$1" "$deb"
chmod 644 "$deb"
name=$(dpkg-deb -f "$deb" Package)

step "package built: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"
step "dpkg-deb -I"
dpkg-deb -I "$deb"
[ "$(dpkg-deb -f "$deb" Section)" = video ] || fail "section is not video"
depends=$(dpkg-deb -f "$deb" Depends)
# From dpkg-shlibdeps (the libraries the programs link), and the two that are loaded by name.
for need in libc6 libqt6widgets6 libavformat libavcodec libswscale libsdl2 libfluidsynth \
            timgm6mb-soundfont qt6-translations-l10n; do
  [[ "$depends" == *"$need"* ]] || fail "Depends lacks $need: $depends"
done

step "contents"
dpkg-deb -c "$deb" | awk '{print $1, $NF}'
dpkg-deb -x "$deb" "$work/root"
root=$work/root
metainfo=$(find "$root/usr/share/metainfo" -name '*.metainfo.xml' 2>/dev/null)
for f in usr/bin/stillmar usr/bin/stillmar-mci usr/share/applications/stillmar.desktop \
         usr/share/man/man1/stillmar.1.gz usr/share/man/man1/stillmar-mci.1.gz \
         usr/share/doc/stillmar/copyright usr/share/doc/stillmar/changelog.gz \
         usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/stillmar.png; do
  [ -f "$root/$f" ] || fail "the package lacks /$f"
done
[ -n "$metainfo" ] || fail "the package has no AppStream file in /usr/share/metainfo"
[ -z "$(find "$root" ! -path "$root/usr/*" ! -path "$root/usr" ! -path "$root")" ] ||
  fail "files outside /usr"

step "appstreamcli validate --no-net ${metainfo#"$root"}"
appstreamcli validate --no-net "$metainfo" || fail "AppStream file not valid"
grep -q "<release version=\"$(dpkg-deb -f "$deb" Version)\"" "$metainfo" ||
  fail "AppStream release is not the package's version"
desktop-file-validate "$root/usr/share/applications/stillmar.desktop" || fail "desktop entry"

step "lintian"
# Root may run it: the package is only unpacked into lintian's own temporary folder.
lintian_out=$work/lintian.txt
status=0
lintian --allow-root --fail-on error --display-info "$deb" >"$lintian_out" 2>&1 || status=$?
if [ -s "$lintian_out" ]; then cat "$lintian_out"; else echo "(no tags)"; fi
echo "lintian: $(grep -c '^E:' "$lintian_out" || true) errors," \
  "$(grep -c '^W:' "$lintian_out" || true) warnings, $(grep -c '^I:' "$lintian_out" || true) notes"
[ $status -eq 0 ] || fail "lintian reports errors"

if [ "$(id -u)" -ne 0 ]; then
  echo "check-package: not root: installing, starting and removing the package skipped"
  exit 0
fi
if dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'ok installed'; then
  fail "$name is installed already: remove it first"
fi

step "apt-get install ./$(basename "$deb")"
dpkg-query -W -f='${Package}\n' | sort >"$work/before"
(cd "$work" && DEBIAN_FRONTEND=noninteractive apt-get install -y "./$(basename "$deb")") ||
  fail "apt-get install"
dpkg-query -W -f='${Package}\n' | sort >"$work/after"
pulled=$(comm -13 "$work/before" "$work/after" | grep -vx "$name" | tr '\n' ' ' || true)
echo "installed: $name $(dpkg-query -W -f='${Version}' "$name");" \
  "pulled in with it: ${pulled:-nothing}"
dpkg -L "$name" | grep -c . | xargs echo "files and folders listed by dpkg:"
[ "$(command -v stillmar)" = /usr/bin/stillmar ] || fail "stillmar is not /usr/bin/stillmar"
echo "$(stillmar --version)"
[ "$(man -w stillmar)" = /usr/share/man/man1/stillmar.1.gz ] || fail "man -w stillmar"
if [ -f /usr/share/applications/mimeinfo.cache ]; then
  grep -q 'stillmar\.desktop' /usr/share/applications/mimeinfo.cache ||
    fail "the desktop's file-type cache does not name stillmar.desktop"
  echo "the desktop's file-type cache names stillmar.desktop"
fi

step "start the installed program as an unprivileged user"
# nobody, with a home and a runtime folder of its own, no display (offscreen), no sound card.
user=nobody
group=$(id -gn "$user")
home=$work/home
runtime=$work/runtime
mkdir -p "$home" "$runtime"
chmod 700 "$runtime"
chown "$user:$group" "$home" "$runtime"
(cd "$home" && exec setpriv --reuid="$user" --regid="$group" --clear-groups \
  env -i HOME="$home" XDG_RUNTIME_DIR="$runtime" PATH=/usr/bin:/bin LANG=C.UTF-8 \
  QT_QPA_PLATFORM=offscreen stillmar) &
pid=$!
sleep 5
kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; fail "the installed program ended within 5 s"; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
echo "started as $user, alive after 5 s, ended on request (status $status)"
capture=$home/Pictures/Stillmar/Capture
[ -d "$capture" ] || fail "no capture folder $capture"
[ "$(stat -c %U "$capture")" = "$user" ] || fail "$capture is not $user's"
echo "capture folder made: ~/Pictures/Stillmar/Capture"
[ ! -e /usr/bin/Capture ] || fail "something wrote /usr/bin/Capture"

step "apt-get purge $name"
# The installed paths, less the folders that other packages share.
dpkg -L "$name" >"$work/paths"
DEBIAN_FRONTEND=noninteractive apt-get purge -y "$name" || fail "apt-get purge"
if [ -n "$pulled" ]; then
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get purge -y $pulled || fail "apt-get purge $pulled"
fi
dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'ok installed' && fail "still installed"
left=()
while IFS= read -r p; do
  [ -e "$p" ] || continue
  [ -d "$p" ] && [ ! -L "$p" ] && dpkg -S "$p" >/dev/null 2>&1 && continue  # another package's
  left+=("$p")
done <"$work/paths"
[ ${#left[@]} -eq 0 ] || fail "left behind: ${left[*]}"
[ ! -e /usr/bin/Capture ] || fail "left behind: /usr/bin/Capture"
if [ -f /usr/share/applications/mimeinfo.cache ] &&
   grep -q 'stillmar\.desktop' /usr/share/applications/mimeinfo.cache; then
  fail "the desktop's file-type cache still names stillmar.desktop"
fi
dpkg-query -W -f='${Package}\n' | sort >"$work/removed"
cmp -s "$work/before" "$work/removed" || fail "the installed packages differ from before"
echo "removed: none of its $(grep -c . "$work/paths") paths left, the installed packages as before"
