#!/usr/bin/env bash
# The package as a user gets it: unpacks the .deb into a temporary folder
# (no system install) and runs every program from there. Skips (77) when
# the package has not been built, or is older than the programs.
# Arguments: the .deb, the folder of this build's programs, the version
# they must report.
set -uo pipefail
deb="$1" built="$2" version="$3"
programs="vq250 vq250-demo vq250-load vq250-check vq250-convert"
if [ ! -f "$deb" ]; then
  echo "SKIP: $deb not built; run: cmake --build build --target package"
  exit 77
fi
for p in $programs; do
  if [ "$built/$p" -nt "$deb" ]; then
    echo "SKIP: $deb is older than $built/$p; run: cmake --build build --target package"
    exit 77
  fi
done

tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect STATUS COMMAND...: runs it with a bounded wait, its output in $out.
expect() {
  local want="$1"; shift
  out="$(timeout 20 "$@" 2>&1)"
  local got=$?
  [ "$got" = "$want" ] || fail "$* exited $got, not $want: $out"
}

timeout 30 dpkg-deb -x "$deb" "$tree" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }
bin="$tree/usr/bin"

for p in $programs; do
  [ -x "$bin/$p" ] || { fail "$p missing from /usr/bin"; continue; }
  # No display: --help and --version must not need one.
  expect 0 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/$p" --version
  [ "${out%%$'\n'*}" = "$p (VQ250 Loader) $version" ] || fail "$p --version said: $out"
  expect 0 env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/$p" --help
  [[ "$out" == "Usage: $p "* ]] || fail "$p --help said: $out"
  man="$tree/usr/share/man/man1/$p.1.gz"
  timeout 10 zcat "$man" 2>/dev/null | grep -q "^\.TH \"\?${p^^}" || fail "no manual page $man"
done

# A tenth of a second of silence, 8 kHz, 8-bit, mono PCM.
sound="$tree/Chime.wav"
{
  printf 'RIFF\x44\x03\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00'
  printf '\x40\x1f\x00\x00\x40\x1f\x00\x00\x01\x00\x08\x00data\x20\x03\x00\x00'
  head -c 800 /dev/zero | tr '\0' '\200'
} >"$sound"
expect 0 "$bin/vq250-check" "$sound"
[ "$out" = "$sound"$'\tok\t44\t800\t800\t0.1 Sec.\tChime' ] || fail "vq250-check said: $out"
expect 0 "$bin/vq250-load" --emulate "$sound" A1
expect 0 env QT_QPA_PLATFORM=offscreen "$bin/vq250-demo" --quit-after 300

desktop="$tree/usr/share/applications/vq250-loader.desktop"
timeout 10 desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
for file in usr/share/icons/hicolor/48x48/apps/vq250-loader.png \
  usr/share/icons/hicolor/128x128/apps/vq250-loader.png \
  usr/share/doc/vq250-loader/copyright usr/share/doc/vq250-loader/changelog.gz \
  usr/share/doc/vq250-loader/README.md; do
  [ -s "$tree/$file" ] || fail "/$file missing"
done

if command -v lintian >/dev/null; then
  # lintian leaves a working folder in TMPDIR: keep it inside ours.
  mkdir -p "$tree/tmp"
  TMPDIR="$tree/tmp" timeout 120 lintian --fail-on error "$deb" || fail "lintian found errors in $deb"
else
  echo "lintian is not installed: the package was not checked by it"
fi

[ "$failures" = 0 ] && echo "installed tree: all checks passed"
[ "$failures" = 0 ]
