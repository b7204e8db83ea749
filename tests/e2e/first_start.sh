#!/usr/bin/env bash
# The built program in a command mode on a fresh folder, without any display:
# it must create the whole database and exit.
set -euo pipefail
exe="$1"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb   # would fail if a window were ever created
export TRESOLINE_HOME="$home"
set +e
"$exe" --synchro >/dev/null 2>&1
set -e
for f in datas datas/releves datas/dossiers datas/commun; do
  [ -d "$home/$f" ] || { echo "missing folder $f"; exit 1; }
done
[ -f "$home/datas/MORVANEBANK.db" ] || { echo "missing database"; exit 1; }
count=$(python3 - "$home/datas/MORVANEBANK.db" <<'PY'
import sqlite3, sys
c = sqlite3.connect(sys.argv[1])
print(c.execute("select count(*) from sqlite_master where type='table' and name like 'T\\_%' escape '\\'").fetchone()[0])
PY
)
[ "$count" -ge 13 ] || { echo "only $count tables"; exit 1; }
echo "ok: $count tables"
