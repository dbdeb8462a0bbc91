#!/usr/bin/env bash
# Adds Albumon to the desktop menu of the current user: writes albumon.desktop to
# ~/.local/share/applications and the icon to ~/.local/share/icons, pointing at the built
# program (default build/bin/albumon; give another program path as the first argument).
# scripts/install-desktop.sh --remove takes both away again.
set -euo pipefail
cd "$(dirname "$0")/.."
data="${XDG_DATA_HOME:-$HOME/.local/share}"
entry="$data/applications/albumon.desktop"
icon="$data/icons/hicolor/scalable/apps/albumon.svg"
refresh() {
  command -v update-desktop-database >/dev/null && update-desktop-database -q "$data/applications" || true
  command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t "$data/icons/hicolor" || true
}
if [ "${1:-}" = "--remove" ]; then
  rm -f "$entry" "$icon"
  refresh
  echo "Removed $entry"
  exit 0
fi
program="$(realpath "${1:-build/bin/albumon}")"
if [ ! -x "$program" ]; then
  echo "No program at $program: build it first (scripts/build.sh)." >&2
  exit 1
fi
case "$program" in
  *[\"\`\$\\%\|\&]*)
    echo "The path $program holds characters a desktop entry cannot run; move the program." >&2
    exit 1 ;;
esac
mkdir -p "$(dirname "$entry")" "$(dirname "$icon")"
cp desktop/albumon.svg "$icon"
# The program reads its template and help beside itself, so the entry runs it where it lies.
sed "s|^Exec=.*|Exec=\"$program\" %F|" desktop/albumon.desktop >"$entry"
refresh
echo "Installed $entry (runs $program)"
