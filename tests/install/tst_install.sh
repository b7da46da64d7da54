#!/usr/bin/env bash
# The installed program: installs the build folder into a temporary prefix,
# validates the menu entries and metainfo, and starts the installed torvane
# (against the installed zenksim) and torvane-cli with a fresh configuration
# folder and home. It must read its settings from the configuration folder,
# find its language files and about texts in <prefix>/share/torvane, and
# leave the installed folders exactly as they were.
#
#   tst_install.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
simpid=""
cleanup() {
  if [ -n "$simpid" ] && kill -0 "$simpid" 2>/dev/null; then
    kill -TERM "$simpid" 2>/dev/null || true
    wait "$simpid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "PASS: $*"; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/torvane bin/torvane-cli bin/zenksim share/torvane/cs.lng share/torvane/en.lng \
         share/torvane/oprgl.txt share/torvane/oprgr.txt \
         share/applications/example.torvane.Torvane.desktop share/applications/example.torvane.Ossik.desktop \
         share/icons/hicolor/scalable/apps/example.torvane.Torvane.svg \
         share/icons/hicolor/scalable/apps/example.torvane.Ossik.svg \
         share/metainfo/example.torvane.Torvane.metainfo.xml share/metainfo/example.torvane.Ossik.metainfo.xml; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
if [ -x "$build/bin/explorer/ossik" ]; then
  [ -x "$prefix/bin/ossik" ] || fail "ossik not installed beside torvane"
  ls "$prefix"/share/torvane/explorer/*.lng >/dev/null 2>&1 || fail "ossik's language files not installed"
fi

if command -v desktop-file-validate >/dev/null; then
  if desktop-file-validate "$prefix"/share/applications/*.desktop; then pass "desktop-file-validate"
  else fail "desktop-file-validate"; fi
else
  echo "SKIP: desktop-file-validate is not installed"
fi
if command -v appstreamcli >/dev/null; then
  if appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1; then
    pass "appstreamcli validate"
  else
    cat "$work/appstream.log" >&2; fail "appstreamcli validate"
  fi
else
  echo "SKIP: appstreamcli is not installed"
fi

before=$(cd "$prefix" && find . | sort)

# A fresh user: home, configuration folder, documents.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$HOME"

"$prefix/bin/zenksim" --dir "$work/sim" >"$work/sim.log" 2>&1 &
simpid=$!
for _ in $(seq 100); do
  grep -q ready "$work/sim.log" 2>/dev/null && break
  sleep 0.1
done
grep -q ready "$work/sim.log" || { cat "$work/sim.log" >&2; echo "FAIL: zenksim did not start" >&2; exit 1; }
control() { python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall((sys.argv[2] + "\n").encode())
out = b""
while True:
    b = s.recv(65536)
    if not b: break
    out += b
sys.stdout.write(out.decode("utf-8", "replace"))' "$work/sim/control" "$1"; }

# The settings the user chose earlier: in the configuration folder only.
settings() {
  mkdir -p "$XDG_CONFIG_HOME/torvane"
  printf '[ComPort1]\r\nPort=%s\r\n[ComPort2]\r\nPort=%s\r\n[GPSPort]\r\nPort=%s\r\n[Info]\r\nJazyk=%s\r\n' \
    "$work/sim/modem" "$work/sim/diag" "$work/sim/gps" "$1" >"$XDG_CONFIG_HOME/torvane/torvane.ini"
}
shot() { # shot NAME [torvane options]
  local name=$1; shift
  timeout 120 "$prefix/bin/torvane" --screenshot "$work/$name.png" "$@" >"$work/$name.log" 2>&1 \
    || { cat "$work/$name.log" >&2; fail "torvane --screenshot $* did not finish"; return 0; }
  [ -s "$work/$name.png" ] || fail "no screenshot $name"
}

settings 0
control "log clear" >/dev/null
shot cs --page 1
if control log | grep -q '^AT+CGMI'; then pass "settings read from \$XDG_CONFIG_HOME/torvane/torvane.ini"
else fail "torvane did not use the modem port of the configuration folder's torvane.ini"; fi

# The language files are found in share/torvane: Czech and English pages differ.
settings 1
shot en --page 1
if [ -s "$work/cs.png" ] && [ -s "$work/en.png" ] && ! cmp -s "$work/cs.png" "$work/en.png"; then
  pass "language files found in share/torvane"
else
  fail "the English page looks like the Czech one: language files not found"
fi

# A language file of the user's own beside torvane.ini is offered too: with
# it as the third entry (cs, en, xx), the page shows its texts.
sed 's/=.*/=Zzz/' "$prefix/share/torvane/en.lng" >"$XDG_CONFIG_HOME/torvane/xx.lng"
settings 2
shot xx --page 1
if [ -s "$work/xx.png" ] && ! cmp -s "$work/xx.png" "$work/cs.png" && ! cmp -s "$work/xx.png" "$work/en.png"; then
  pass "a language file in the configuration folder is offered"
else
  fail "the user's own language file was not used"
fi
rm -f "$XDG_CONFIG_HOME/torvane/xx.lng"

# The about texts come from share/torvane: without them the box is empty.
settings 0
shot about --page about
mkdir -p "$work/aside"
mv "$prefix/share/torvane/oprgl.txt" "$prefix/share/torvane/oprgr.txt" "$work/aside/"
shot about-empty --page about
mv "$work/aside/"* "$prefix/share/torvane/"
if [ -s "$work/about.png" ] && ! cmp -s "$work/about.png" "$work/about-empty.png"; then
  pass "about texts found in share/torvane"
else
  fail "the about box does not show the installed texts"
fi

if "$prefix/bin/torvane-cli" --help >"$work/cli.txt" && grep -q 'pdu decode' "$work/cli.txt"; then
  pass "torvane-cli --help"
else
  fail "torvane-cli --help"
fi

after=$(cd "$prefix" && find . | sort)
if [ "$before" = "$after" ]; then pass "nothing written into the installed folders"
else
  diff <(echo "$before") <(echo "$after") >&2 || true
  fail "the installed folders changed"
fi
[ -f "$XDG_CONFIG_HOME/torvane/torvane.ini" ] || fail "no torvane.ini in the configuration folder"

echo "tst_install: $failures failure(s)"
[ "$failures" -eq 0 ]
