#!/usr/bin/env bash
# Installs the build into a staging folder as `make install DESTDIR=...` does,
# validates the desktop entry and the AppStream metadata, and runs both
# installed programs from there: the window program on Qt's offscreen
# platform until it has got through its start (it marks the first start in
# its settings only after the bitmap template loaded), and the command-line
# program through the installed font editor into a checked font.
set -euo pipefail
build_dir=$1
source_dir=$2
prefix=/usr/local
stage=$(mktemp -d)
trap 'kill "${gui_pid:-}" 2>/dev/null || true; rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build_dir" --prefix "$prefix" >/dev/null
root=$stage$prefix
id=com.orvane.Quillery

for f in bin/quillery bin/quillery-autocreate share/quillery/automation.json \
         share/quillery/editor/glyphsmith_server.py share/quillery/editor/glyphsmith/server.py \
         share/quillery/editor/glyphsmith/tracer/potrace.py \
         share/quillery/quillery.CHM share/quillery/system/128.bin share/quillery/system/512.bin \
         share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
         share/icons/hicolor/256x256/apps/$id.png share/doc/quillery/LICENSE; do
  [[ -f "$root/$f" ]] || { echo "not installed: $f" >&2; exit 1; }
done
if [[ -e "$root/bin/system" || -e "$root/bin/automation.json" ]]; then
  echo "data files installed beside the programs" >&2
  exit 1
fi
size=$(/usr/bin/python3 -c 'import struct, sys; print("%dx%d" % struct.unpack(">II", open(sys.argv[1], "rb").read()[16:24]))' \
  "$root/share/icons/hicolor/48x48/apps/$id.png")
[[ "$size" == 48x48 ]] || { echo "the 48x48 icon is $size" >&2; exit 1; }

desktop-file-validate "$root/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml"

# A private user: settings, runtime folder and documents of its own.
home=$stage/home
mkdir -p "$home/config" "$home/runtime" "$home/data"
chmod 700 "$home/runtime"
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime XDG_DATA_HOME=$home/data
export QT_QPA_PLATFORM=offscreen

"$root/bin/quillery" &
gui_pid=$!
ini=$XDG_CONFIG_HOME/Orvane/Quillery/3.1.0.ini
# The loop ends as soon as the start is through; the bound only stops a hung
# start, so it is generous enough for a machine busy with other builds.
for _ in $(seq 1 1200); do
  grep -q "FirstOperation=1" "$ini" 2>/dev/null && break
  kill -0 "$gui_pid" 2>/dev/null || { echo "the installed quillery ended during its start" >&2; exit 1; }
  sleep 0.1
done
grep -q "FirstOperation=1" "$ini" || { echo "the installed quillery did not get through its start" >&2; exit 1; }
kill "$gui_pid"
wait "$gui_pid" 2>/dev/null || true
gui_pid=

/usr/bin/python3 "$source_dir/tests/proof/full_size_proof.py" --autocreate "$root/bin/quillery-autocreate" --count 3 \
  --timeout 120 --workdir "$stage/proof" >/dev/null

# The same stroke files again with --install: the font lands in the user's
# font folder, where fontconfig finds it.
export XDG_CACHE_HOME=$home/cache
"$root/bin/quillery-autocreate" --install --font "$stage/installed.ttf" "$stage/proof/strokes" 2>"$stage/install.log" \
  || { cat "$stage/install.log" >&2; exit 1; }
# fc-list's whole answer is taken first: a reader that stops at the first
# match would end fc-list by SIGPIPE, which pipefail counts as a failure.
listed=$(fc-list --format '%{file}\n')
grep -qxF "$XDG_DATA_HOME/fonts/installed.ttf" <<<"$listed" \
  || { echo "fontconfig does not list the installed font" >&2; cat "$stage/install.log" >&2; exit 1; }
echo "installed layout works"
