#!/usr/bin/env bash
# Starts the program from a read-only program directory (a read-only bind mount in a mount
# namespace of its own) and checks that what it writes lands under XDG_DATA_HOME.
# usage: readonly_check.sh PROGRAM_DIR
set -uo pipefail
src=$1
if ! unshare -m true 2>/dev/null; then
    echo "SKIP: mount namespaces are not available here"
    exit 77
fi
t=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    rm -rf "$t"
}
trap cleanup EXIT
mkdir "$t/prog" "$t/xdg"
cp -a "$src/nekomado" "$src/Hakobune.so" "$src/skin" "$src/help" "$t/prog/"
before=$(cd "$t/prog" && find . | sort)

XDG_DATA_HOME=$t/xdg QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 \
    unshare -m sh -c "mount --bind -o ro '$t/prog' '$t/prog' && exec '$t/prog/nekomado'" &
pid=$!

data=$t/xdg/nekomado
for _ in $(seq 600); do
    [ -f "$data/skin/Header.html" ] && [ -L "$data/Hakobune.so" ] && break
    kill -0 "$pid" 2>/dev/null || { echo "FAIL: the program ended at start"; exit 1; }
    sleep 0.1
done
[ -f "$data/skin/Header.html" ] || { echo "FAIL: no skin under $data"; exit 1; }
# A polite end (what a desktop session's logout sends): the settings are written on the way out.
kill -TERM "$pid"
for _ in $(seq 600); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
    echo "FAIL: the program did not end on SIGTERM"
    exit 1
fi
wait "$pid"
pid=

fail=0
for f in nekomado.ini skin/Res.html help Hakobune.so; do
    [ -e "$data/$f" ] || { echo "FAIL: $data/$f is missing"; fail=1; }
done
after=$(cd "$t/prog" && find . | sort)
[ "$before" = "$after" ] || { echo "FAIL: the program directory changed"; fail=1; }
[ $fail -eq 0 ] && echo "read-only program directory: files under XDG_DATA_HOME"
exit $fail
