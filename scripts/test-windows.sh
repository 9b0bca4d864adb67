#!/usr/bin/env bash
# The Windows part of the test run: builds the 32-bit and 64-bit DLLs, checks
# their export tables, runs the 64-bit unit and platform tests under wine64,
# then runs a Windows host against benchsim through a wine-mapped COM3.
#
# Expects the native build (benchsim) to exist: scripts/test.sh builds it
# first. Build folders: $TBCOM_WIN32_DIR, $TBCOM_WIN64_DIR, $TBCOM_NATIVE_DIR
# (defaults build/win32, build/win64, build/native).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
started=$SECONDS

W32=${TBCOM_WIN32_DIR:-build/win32}
W64=${TBCOM_WIN64_DIR:-build/win64}
NATIVE=${TBCOM_NATIVE_DIR:-build/native}
WINE64=/usr/lib/wine/wine64

ensure_packages g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 wine file binutils shapelib
for tool in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix "$WINE64" wineserver file strings; do
    command -v "$tool" >/dev/null || { echo "test-windows: missing $tool" >&2; exit 1; }
done

configure() {  # preset dir toolchain
    if [ "$2" = "build/$1" ]; then
        cmake --preset "$1"
    else
        cmake -S . -B "$2" --toolchain "cmake/$3" -G Ninja -DCMAKE_BUILD_TYPE=Release
    fi
    cmake --build "$2"
}
configure win32 "$W32" toolchain-i686-mingw.cmake
configure win64 "$W64" toolchain-x86_64-mingw.cmake

scripts/check-exports.sh "$W32" "$W64"

# A private wine prefix, the one the win64 build's test emulator uses.
export WINEPREFIX=$(cd "$W64" && pwd)/wineprefix
export WINEDEBUG=-all
serverlog=$WINEPREFIX.server.log
# The wine server and its background services are started here, with their
# output going to a log, and stay up until stopped: every wine program of
# the run attaches to them. (Services started by a test would inherit the
# test's output pipe and keep ctest waiting.)
start_server() {
    wineserver -p >>"$serverlog" 2>&1
    "$WINE64" reg query 'HKLM\Software\Wine' >>"$serverlog" 2>&1
}
stop_server() { wineserver -k >>"$serverlog" 2>&1 || true; wineserver -w 2>/dev/null || true; }
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-windows: creating wine prefix $WINEPREFIX"
    "$WINE64" wineboot -i >>"$serverlog" 2>&1
fi
stop_server
: >"$serverlog"
start_server

ctest --test-dir "$W64" --output-on-failure

# End-to-end: benchsim on a pty, COM3 of the prefix pointing at it.
BENCHSIM=$NATIVE/benchsim
[ -x "$BENCHSIM" ] || { echo "test-windows: $BENCHSIM not built (build the native preset first)" >&2; exit 1; }
comdir=$(mktemp -d)
simlog=$comdir/benchsim.log
simpid=
stop_bench() {
    [ -n "$simpid" ] || return 0
    kill "$simpid" 2>/dev/null || true
    wait "$simpid" 2>/dev/null || true
    simpid=
}
cleanup() {
    stop_server
    stop_bench
    rm -rf "$comdir"
}
trap cleanup EXIT
# Starts benchsim with these options and maps COM3 of the prefix to it.
start_bench() {
    stop_bench
    rm -rf "${comdir:?}"/COM* && : >"$simlog"
    "$BENCHSIM" --dir "$comdir" --com 3 --positions 3 "$@" >"$simlog" 2>&1 &
    simpid=$!
    for _ in $(seq 100); do
        grep -q "^READY " "$simlog" && break
        kill -0 "$simpid" 2>/dev/null || { cat "$simlog" >&2; echo "test-windows: benchsim exited" >&2; exit 1; }
        sleep 0.1
    done
    grep -q "^READY " "$simlog" || { cat "$simlog" >&2; echo "test-windows: benchsim not ready" >&2; exit 1; }
    local slave meterslave=
    slave=$(readlink -f "$comdir/COM3")
    # the RS-485 line to the meters under test, when asked for (--meter-line 7)
    [ -e "$comdir/COM7" ] && meterslave=$(readlink -f "$comdir/COM7")
    # map_links: the ports point at benchsim's links, which outlive its
    # terminals when it unplugs and plugs the bench back
    if [ -n "${map_links:-}" ]; then
        slave=$comdir/COM3
        [ -z "$meterslave" ] || meterslave=$comdir/COM7
    fi
    # wine's mount manager maps ports from HKLM\Software\Wine\Ports when it
    # starts, before it assigns the machine's own serial devices: name COM3
    # there and restart the server so it takes effect. The machine's own ports
    # get low numbers; the e2e host uses COM99 as a port that does not exist.
    "$WINE64" reg add 'HKLM\Software\Wine\Ports' /v COM3 /d "$slave" /f >/dev/null
    [ -z "$meterslave" ] || "$WINE64" reg add 'HKLM\Software\Wine\Ports' /v COM7 /d "$meterslave" /f >/dev/null
    stop_server
    rm -f "$WINEPREFIX"/dosdevices/com[0-9]*
    ln -sfn "$slave" "$WINEPREFIX/dosdevices/com3"
    [ -z "$meterslave" ] || ln -sfn "$meterslave" "$WINEPREFIX/dosdevices/com7"
    start_server
}

start_bench --meter 1:1000:0.5 --silent 2 --clock 1:0.5 --meter-line 7
(cd "$W64/tests/win" && TBCOM_E2E_PORT=3 "$WINE64" ./tbcom_win_e2e.exe --gtest_filter=-HostOutputTest.*:HostWaveTest.*)
# The output session changes what the source puts out: its own bench.
start_bench --std-meter kp3 --std-kind 5 --source kp --source-error 0.5:0:0 --source-settle 6 \
    --meter 1:1000:0.2 --meter 2:1000:-0.5 --meter 3:1000:0
(cd "$W64/tests/win" && TBCOM_E2E_PORT=3 "$WINE64" ./tbcom_win_e2e.exe --gtest_filter=HostOutputTest.*)
# Wave type 4: a real correction table and settings file beside the host;
# benchsim writes the six tables its controller holds when it stops.
hostdir=$W64/tests/win
rm -f "$hostdir/xbxz.dbf"
dbfcreate "$hostdir/xbxz.dbf" -n XBCS 3 0 -n DYAXZ 10 4 -n DYBXZ 10 4 -n DYCXZ 10 4 -n DLAXZ 10 4 -n DLBXZ 10 4 -n DLCXZ 10 4
dbfadd "$hostdir/xbxz.dbf" 3 0.5 0 0 0 0 0
printf '[JIAODUXZ]\r\nUb=0\r\n' >"$hostdir/tbtest.ini"
start_bench --std-meter kp3 --std-kind 5 --source kp --source-settle 0 --waves "$comdir/waves.txt"
(cd "$hostdir" && TBCOM_E2E_PORT=3 "$WINE64" ./tbcom_win_e2e.exe --gtest_filter=HostWaveTest.*)
stop_bench
rm -f "$hostdir/xbxz.dbf" "$hostdir/tbtest.ini"
# Six tables of 720 samples; voltage A starts at the zero crossing (80),
# voltage B 120 degrees late (11).
awk 'length($0) != 1440 { bad = 1 } NR == 1 && substr($0, 1, 2) != "80" { bad = 1 }
     NR == 2 && substr($0, 1, 2) != "11" { bad = 1 } END { exit bad || NR != 6 }' "$comdir/waves.txt" ||
    { echo "test-windows: the wave-type-4 tables are not what the host asked for" >&2; exit 1; }

# tbctl.exe against benchsim: an output request, then a reading of it in a
# second process (the bench keeps what the first one set).
start_bench --std-meter kp3 --std-kind 5 --source kp --source-settle 1
tbctl_out=$("$WINE64" "$W64/tbctl.exe" Adjust_UI 1 100 2 50 0 0 100 100 H 1.0 KP8707C-66 3 &&
            "$WINE64" "$W64/tbctl.exe" StdMeter_Read KP8707C-66 3) &&
    grep -q '^data=100\.0000,100\.0000,100\.0000,2\.0000,2\.0000,2\.0000,' <<<"$tbctl_out" ||
    { echo "$tbctl_out" >&2; echo "test-windows: tbctl.exe did not set and read the output" >&2; exit 1; }
stop_bench

# A vanishing adapter: the host asks for the unplug and the plug by files in
# a folder; this turns them into signals to benchsim and answers once done.
plugdir=$comdir/plug
await_bench() {  # the line benchsim prints when done
    for _ in $(seq 100); do grep -q "^$1" "$simlog" && return 0; sleep 0.1; done
    echo "test-windows: benchsim never printed $1" >&2
    return 1
}
map_links=1 start_bench --meter 1:1000:0 --meter-line 7
mkdir -p "$plugdir"
(
    while kill -0 "$simpid" 2>/dev/null; do
        if [ -e "$plugdir/unplug" ]; then
            rm -f "$plugdir/unplug" && kill -USR1 "$simpid" && await_bench UNPLUGGED && touch "$plugdir/unplugged"
        fi
        if [ -e "$plugdir/plug" ]; then
            rm -f "$plugdir/plug" && kill -USR2 "$simpid" && await_bench PLUGGED && touch "$plugdir/plugged"
        fi
        sleep 0.1
    done
) &
plugger=$!
(cd "$W64/tests/win" && TBCOM_E2E_PORT=3 TBCOM_E2E_PLUG_DIR=$plugdir "$WINE64" ./tbcom_win_e2e.exe \
    --gtest_filter=HostVanishingPort.*) || { kill "$plugger" 2>/dev/null; exit 1; }
stop_bench
wait "$plugger" 2>/dev/null || true

echo "test-windows: passed in $((SECONDS - started)) s;" \
     "tbcom.dll $(stat -c %s "$W32/tbcom.dll") bytes (32-bit), $(stat -c %s "$W64/tbcom.dll") bytes (64-bit)"
