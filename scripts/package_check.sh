#!/usr/bin/env bash
# Builds the Debian package from build/ (or BUILD_DIR), checks what it holds, checks it with
# lintian, appstreamcli, desktop-file-validate and the man pages formatted with warnings on,
# installs it with dpkg and, as a fresh unprivileged user, makes an album with the installed
# albumon-make (checked in headless Chromium) and starts and closes the installed albumon
# offscreen; then removes the package and the user again. Needs root (dpkg, useradd) and a configured build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
top="$PWD"
build="$(realpath "${BUILD_DIR:-build}")"
user=albumon-check
fail() { echo "package_check: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || fail "needs root (dpkg, useradd)"
[ -f "$build/CMakeCache.txt" ] || fail "no configured build in $build (run scripts/build.sh)"
if dpkg-query -W -f='${Status}' albumon 2>/dev/null | grep -q "install ok installed"; then
  fail "an albumon package is installed already; remove it first"
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"

echo "== Building the package (version $version)"
cmake --build "$build" -j"$(nproc)" --target albumon albumon-make albumon_man_pages >/dev/null
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
deb="$build/package/albumon_${version}_amd64.deb"
[ -f "$deb" ] || fail "no $deb"

echo "== Checking what $(basename "$deb") holds"
contents="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for path in ./usr/bin/albumon ./usr/bin/albumon-make ./usr/share/albumon/Def/Def.htm \
  ./usr/share/albumon/Def/Def.files/DefPage.htm ./usr/share/albumon/albumon_help/help.htm \
  ./usr/share/applications/albumon.desktop ./usr/share/metainfo/org.example.albumon.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/albumon.svg \
  ./usr/share/icons/hicolor/48x48/apps/albumon.png \
  ./usr/share/icons/hicolor/256x256/apps/albumon.png \
  ./usr/share/man/man1/albumon.1.gz ./usr/share/man/man1/albumon-make.1.gz \
  ./usr/share/doc/albumon/copyright ./usr/share/doc/albumon/changelog.gz; do
  grep -qxF "$path" <<<"$contents" || fail "the package lacks $path"
done
grep -q '\.git' <<<"$contents" && fail "the package holds git files"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "Depends lacks the Qt libraries"
unpacked="$(mktemp -d)"

pid=""
cleanup() {
  rm -rf "$unpacked"
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
  if dpkg-query -W -f='${Status}' albumon 2>/dev/null | grep -q "install ok installed"; then
    dpkg -r albumon >/dev/null
  fi
  if id "$user" >/dev/null 2>&1; then userdel -r "$user" 2>/dev/null || true; fi
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$unpacked"
metainfo="$unpacked/usr/share/metainfo/org.example.albumon.metainfo.xml"
grep -q "release version=\"$version\"" "$metainfo" || fail "metainfo version"
zcat "$unpacked/usr/share/man/man1/albumon-make.1.gz" | grep -q '^\.SH EXAMPLES' ||
  fail "albumon-make.1 has no examples"
zcat "$unpacked/usr/share/doc/albumon/changelog.gz" | head -1 | grep -qF "albumon ($version)" ||
  fail "the changelog's latest entry is not $version"

echo "== Debian's own checks"
# lintian: neither an error nor a warning (its informational tags are shown, not judged).
lintian_status=0
lintian_out="$(lintian --fail-on error,warning --tag-display-limit 0 --display-level '>=info' \
  "$deb" 2>&1)" || lintian_status=$?
echo "${lintian_out:-lintian: nothing to report}"
[ "$lintian_status" -eq 0 ] || fail "lintian found errors or warnings (status $lintian_status)"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate"
desktop_out="$(desktop-file-validate "$unpacked/usr/share/applications/albumon.desktop" 2>&1)" &&
  [ -z "$desktop_out" ] || fail "desktop-file-validate: $desktop_out"
echo "desktop-file-validate: albumon.desktop is valid"
for page in "$unpacked"/usr/share/man/man1/*.1.gz; do
  warnings="$(zcat "$page" | groff -k -Tutf8 -man -ww -z 2>&1)"
  warnings+="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  echo "groff -ww and man --warnings: $(basename "$page") formats without a warning"
done

echo "== Installing it with dpkg"
dpkg -i "$deb" >/dev/null
[ "$(/usr/bin/albumon-make --version)" = "albumon-make $version" ] || fail "albumon-make --version"

if id "$user" >/dev/null 2>&1; then userdel -r "$user" 2>/dev/null || true; fi
useradd -m -s /bin/bash "$user"
home="$(getent passwd "$user" | cut -d: -f6)"
uid="$(id -u "$user")"
gid="$(id -g "$user")"
# Runs a command as the user with a clean environment (no XDG variables: the defaults apply).
as_user() {
  setpriv --reuid="$uid" --regid="$gid" --init-groups -- \
    env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}

echo "== Making an album as $user with the installed albumon-make"
install -m 0644 "$top/tests/browser/browser_checks.py" "$home/browser_checks.py"
install -m 0644 "$top/tests/browser/check_album.py" "$home/check_album.py"
as_user /usr/bin/python3 "$home/check_album.py" /usr/bin/albumon-make /usr/share/albumon/Def
# Without --template the installed default template is used.
as_user cp /usr/share/albumon/Def/Def.files/DefNote.jpg "$home/海.jpg"
printf 'a note\r\n' | as_user tee "$home/note.txt" >/dev/null
plan="$(as_user sh -c "cd '$home' && albumon-make --plan 海.jpg --comment note.txt")"
grep -qF "$(printf '/usr/share/albumon/Def/Def.files/DefNote.jpg\t無題002.jpg\t0\tbelow')" \
  <<<"$plan" || fail "the plan does not use the installed template: $plan"
as_user sh -c "cd '$home' && albumon-make -q -o album 海.jpg --comment note.txt"
[ -f "$home/album/無題.files/無題002.htm" ] || fail "no album made in $home/album"

echo "== Starting and closing the installed albumon offscreen as $user"
# Started directly (not through the function), so that $! is the program's own process id.
setpriv --reuid="$uid" --regid="$gid" --init-groups -- \
  env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
  /usr/bin/albumon "$home/海.jpg" "$home/album/無題.files" >"$home/albumon.log" 2>&1 &
pid=$!
for _ in $(seq 1 200); do
  [ -d "$home/.cache/albumon/Temp" ] && break
  sleep 0.1
done
[ -d "$home/.cache/albumon/Temp" ] || fail "albumon made no work folder in $home/.cache/albumon"
sleep 1
kill -TERM "$pid"
for _ in $(seq 1 150); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "albumon did not close on SIGTERM: $(cat "$home/albumon.log")"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "albumon ended with status $status: $(cat "$home/albumon.log")"
[ -f "$home/.config/albumon/albumon.INI" ] || fail "no settings file in $home/.config/albumon"
grep -q '^\[Pos\]' "$home/.config/albumon/albumon.INI" || fail "settings file without [Pos]"
[ ! -e /usr/bin/albumon.INI ] && [ ! -e /usr/bin/Temp ] || fail "albumon wrote into /usr/bin"
echo "settings: $home/.config/albumon/albumon.INI"

echo "== Removing the package"
dpkg -r albumon >/dev/null
[ ! -e /usr/bin/albumon ] && [ ! -e /usr/share/albumon ] || fail "files left after removal"
echo "The package builds, installs, runs as $user and uninstalls cleanly."
