#!/usr/bin/env bash
# Builds Nekomado and starts it against the bundled substitute board server, in a fresh program
# directory under build/demo whose nekomado.ini points the proxy at that server.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

bin=$root/build/bin
missing=()
[ -x "$bin/nekomado" ] || missing+=("the program (bin/nekomado)")
[ -f "$bin/Hakobune.so" ] || missing+=("the plug-in (bin/Hakobune.so)")
[ -x "$bin/nk-boardserver" ] || missing+=("the substitute board server (bin/nk-boardserver)")
if [ ${#missing[@]} -gt 0 ]; then
    echo
    echo "Built everything that exists so far. Not there yet:"
    printf '  - %s\n' "${missing[@]}"
    echo "The demo starts once these are built."
    exit 0
fi

demo=$root/build/demo
rm -rf "$demo"
mkdir -p "$demo/server-data"
# The program finds its directory from its own file, so it is copied, not linked.
cp "$bin/nekomado" "$bin/Hakobune.so" "$demo/"
[ -d "$bin/skin" ] && cp -r "$bin/skin" "$demo/"
[ -d "$bin/help" ] && cp -r "$bin/help" "$demo/"

"$bin/nk-boardserver" --port 0 --data "$demo/server-data" >"$demo/server.out" 2>"$demo/server.log" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$demo/server.out" ] && break
    sleep 0.05
done
port=$(head -n 1 "$demo/server.out" | tr -dc '0-9')
if [ -z "$port" ]; then
    echo "The board server did not start; see $demo/server.log" >&2
    exit 1
fi

# The demo account of the board server, ready for ファイル > ログイン.
cat >"$demo/nekomado.ini" <<INI
[network]
proxy=1
proxy_server=127.0.0.1
proxy_port=$port
[login]
id=nekodemo
pass=nekopass
INI
chmod 600 "$demo/nekomado.ini"

echo "Board server on 127.0.0.1:$port; program directory $demo"
"$bin/nk-boardserver" --help 2>/dev/null | grep -i -E 'account|password' || true
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting under Xvfb."
    QTWEBENGINE_DISABLE_SANDBOX=1 QT_QUICK_BACKEND=software xvfb-run -a "$demo/nekomado"
else
    if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
    "$demo/nekomado"
fi
