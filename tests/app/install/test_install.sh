#!/usr/bin/env bash
# Installs the program into a temporary prefix, checks the files land in
# bin/ and share/, validates the desktop entry, then starts the installed
# program on a virtual display from another folder: it must find its help
# pages, sounds and languages under the prefix, and keep running.
# Arguments: the build tree.
set -euo pipefail
BUILD="$1"
PREFIX="$(mktemp -d)"
WORK="$(mktemp -d)"
XVFB_PID=""
APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$PREFIX" "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null

for f in bin/velumbra bin/velumbra-stack \
         share/velumbra/help/index.html share/velumbra/help/index-en.html share/velumbra/help/topic-16.html \
         share/velumbra/sounds/TOP.wav share/velumbra/sounds/OUI.wav share/velumbra/sounds/NON.wav \
         share/velumbra/sounds/YES.wav share/velumbra/sounds/NO.wav \
         share/velumbra/Language.ini share/applications/velumbra.desktop \
         share/icons/hicolor/scalable/apps/velumbra.svg share/man/man1/velumbra-stack.1; do
  [ -f "$PREFIX/$f" ] || fail "$f not installed"
done
[ -x "$PREFIX/bin/velumbra" ] || fail "bin/velumbra is not executable"
# Nothing of the help left beside the installed program.
[ ! -e "$PREFIX/bin/help" ] || fail "help pages installed in bin/"

command -v desktop-file-validate >/dev/null || fail "desktop-file-validate missing (scripts/setup-deps installs it)"
desktop-file-validate "$PREFIX/share/applications/velumbra.desktop" || fail "desktop entry not valid"
grep -qx 'Categories=Science;Astronomy;' "$PREFIX/share/applications/velumbra.desktop" || fail "categories"

# The manual page renders without complaint.
if command -v man >/dev/null; then
  warnings="$(MANWIDTH=80 man --warnings -l "$PREFIX/share/man/man1/velumbra-stack.1" 2>&1 >/dev/null || true)"
  [ -z "$warnings" ] || fail "manual page warnings: $warnings"
fi

# A display of our own; its number from the server itself.
mkfifo "$PREFIX/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$PREFIX/displayfd" 2>/dev/null &
XVFB_PID=$!
read -r -t 20 DISPLAY_NUMBER <"$PREFIX/displayfd" || fail "no virtual display"
export DISPLAY=":$DISPLAY_NUMBER" QT_QPA_PLATFORM=xcb

cd "$WORK"
paths="$("$PREFIX/bin/velumbra" --data-paths 2>/dev/null)"
echo "$paths"
expect() {
  line="$(grep "^$1: " <<<"$paths" | cut -d' ' -f2-)"
  [ "$(realpath -m "$line")" = "$(realpath -m "$PREFIX/$2")" ] || fail "$1 found at '$line', not under the prefix"
}
expect help share/velumbra/help
expect sounds share/velumbra/sounds/TOP.wav
expect languages share/velumbra/Language.ini

# The program itself, started from here: it stays up, and writes nothing
# in this folder while it runs.
"$PREFIX/bin/velumbra" >"$PREFIX/out.log" 2>&1 &
APP_PID=$!
sleep 4
kill -0 "$APP_PID" 2>/dev/null || { cat "$PREFIX/out.log" >&2; fail "the installed program stopped"; }
kill "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
echo "installed program found its files and ran"
