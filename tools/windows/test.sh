#!/usr/bin/env bash
# Cross-builds the program and its tests for Windows (tools/windows/build.sh)
# and runs them under Wine on a private Xvfb display with a private Wine
# prefix: the test programs through ctest, then the checks only a run from
# outside can make: the launched instances outliving the launcher's test, the
# files the image pages wrote as ImageMagick reads them, the end-to-end start
# of the program against the bundled update server and against none, over
# https through Schannel, one program per user and session (its lock and pipe
# named after the user's SID, the pipe's server checked to run as that user),
# and the idle time with real input.
# Usage: tools/windows/test.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
source tools/windows/common.sh
varno_win_install_packages php-cli
tools/windows/build.sh
qt=$(tools/windows/build-qt.sh)
source tools/windows/wine-env.sh
build=$varno_win_build_dir
work=$(mktemp -d)
trap 'varno_win_stop_display; rm -rf "$work"' EXIT
varno_win_start_display
varno_win_runtime_path "$qt"
export QT_QPA_FONTDIR=$(winepath -w /usr/share/fonts/truetype/dejavu)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

echo "== test programs (one at a time: they share the registry key)"
mkdir -p "$work/identify"
VARNO_IDENTIFY_LATER=$(winepath -w "$work/identify") ctest --test-dir "$build" -j1 --output-on-failure \
    -E tst_wechatlauncher || failed=1

window_named() { timeout 60 bash -c "until xdotool search --onlyvisible --name '$1' >/dev/null 2>&1; do sleep 0.5; done"; }

echo "== idle time: GetLastInputInfo grows while idle and drops after input"
# Wine sees only input over its own windows: the pointer is moved over the
# test's window once it has seen the idle time grow.
(cd "$build/tests/bin" && wine tst_idletime.exe -platform windows -o -,tap >"$work/idle.log" 2>&1) &
idle_pid=$!
if window_named 'VarnoSoftware idle probe'; then
    sleep 3
    for step in $(seq 60); do
        kill -0 "$idle_pid" 2>/dev/null || break
        xdotool search --onlyvisible --name 'VarnoSoftware idle probe' mousemove --window %1 $((20 + step % 2 * 60)) 40 \
            2>/dev/null || true
        sleep 0.5
    done
fi
if wait "$idle_pid"; then
    grep -E '^# (pass|fail)' "$work/idle.log" || true
else
    cat "$work/idle.log"
    fail "the idle time under Wine"
fi

echo "== ImageMagick reads what the image pages wrote"
while IFS=$'\t' read -r file expected; do
    # The first entry only: an icon of several sizes is read as one frame each.
    seen=$(identify -format '%wx%h %[fx:round(255*p{0,0}.a)]' "$work/identify/$file[0]" 2>&1 || true)
    [ "$seen" = "$expected" ] || fail "$file: identify read $seen, expected $expected"
done <"$work/identify/list.txt"
echo "$(wc -l <"$work/identify/list.txt") files read back"

echo "== launcher: the instances outlive the program that started them"
record=$(winepath -w "$work/record.txt")
# Not under ctest: Wine hands the instances the test's output pipe, which
# would keep ctest waiting for as long as they live.
(cd "$build/tests/bin" && VARNO_STAND_IN_RECORD=$record QT_QPA_PLATFORM=offscreen \
    wine tst_wechatlauncher.exe -o -,tap >"$work/launcher.log" 2>&1) || { cat "$work/launcher.log"; failed=1; }
grep -E '^(not ok|# (tests|pass|fail))' "$work/launcher.log" || true
# Wine names each process after its Windows path: the test's copies of the
# stand-in, in its temporary folder.
alive=$(pgrep -fc 'Temp.tst_wechatlauncher-' || true)
[ "$alive" -ge 12 ] || fail "$alive instances alive after the test program ended, expected 12"
echo "$alive instances alive"
wineserver -k
wineserver -w

echo "== end to end: the program under Wine"
port=47651
opener=$work/bin
mkdir -p "$opener"
# Wine's browser hands addresses to the desktop's xdg-open, found on PATH.
printf '#!/bin/sh\nprintf "%%s\\n" "$*" >>"%s/opened"\n' "$work" >"$opener/xdg-open"
chmod +x "$opener/xdg-open"
e2e=$build/tests/e2e/VarnoSoftware_e2e.exe
run_e2e() { PATH=$opener:$PATH QT_QPA_PLATFORM= wine "$e2e" >"$work/e2e.log" 2>&1; }
php -S 127.0.0.1:$port -t server/www >"$work/php.log" 2>&1 &
php_pid=$!
timeout 10 bash -c "until (echo >/dev/tcp/127.0.0.1/$port) 2>/dev/null; do sleep 0.2; done"
run_e2e &
e2e_pid=$!
if window_named 'Varno软件'; then
    echo "window up against the bundled server"
else
    fail "no window against the bundled server"
fi
kill "$php_pid"
wineserver -k
wait "$e2e_pid" 2>/dev/null || true

run_e2e &
e2e_pid=$!
if window_named '提示'; then
    xdotool search --onlyvisible --name '提示' windowfocus --sync key Return
    status=0
    wait "$e2e_pid" || status=$?
    [ "$status" -eq 0 ] || fail "without a server the program ended with $status"
    timeout 20 bash -c "until [ -s '$work/opened' ]; do sleep 0.5; done" || true
    expected="http://127.0.0.1:$port/website/varno/VarnoSoftware/download/VarnoSoftware.rar"
    [ "$(cat "$work/opened" 2>/dev/null)" = "$expected" ] || fail "the browser got '$(cat "$work/opened" 2>/dev/null)'"
    echo "without a server: the box, the download address to the browser, exit code $status"
else
    fail "no update box without a server"
fi

echo "== the update check over https, through Schannel"
# A certificate for 127.0.0.1 made here, trusted by this Wine prefix alone (its
# current user's root store in its registry), never by the host; a second
# one nobody trusts.
tls_port=47652
for name in trusted untrusted; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
        -keyout "$work/$name.key" -out "$work/$name.pem" 2>/dev/null
done
openssl x509 -in "$work/trusted.pem" -outform DER -out "$work/trusted.der"
python3 - "$work/trusted.der" >"$work/trust.reg" <<'PYTHON'
import hashlib, struct, sys
der = open(sys.argv[1], "rb").read()
# A serialised certificate as Windows keeps it: CERT_CERT_PROP_ID (32), 1, length, the DER bytes.
blob = struct.pack("<III", 32, 1, len(der)) + der
print("Windows Registry Editor Version 5.00\n")
print("[HKEY_CURRENT_USER\\Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\"
      + hashlib.sha1(der).hexdigest().upper() + "]")
print('"Blob"=hex:' + ",".join("%02x" % b for b in blob))
PYTHON
wine reg import "$(winepath -w "$work/trust.reg")" >/dev/null 2>&1 || fail "the test certificate could not be trusted"
tls_e2e=$build/tests/e2e/VarnoSoftware_e2e_tls.exe
for name in trusted untrusted; do
    python3 tools/windows/tls-update-server.py $tls_port "$work/$name.pem" "$work/$name.key" 2>"$work/tls.log" &
    tls_pid=$!
    timeout 10 bash -c "until (echo >/dev/tcp/127.0.0.1/$tls_port) 2>/dev/null; do sleep 0.2; done"
    PATH=$opener:$PATH wine "$tls_e2e" >/dev/null 2>&1 &
    if [ $name = trusted ]; then
        window_named 'Varno软件' && echo "https with a trusted certificate: the window" \
            || fail "no window over https with a trusted certificate"
    elif window_named '提示'; then
        # A certificate nobody trusts is no answer from the update server.
        xdotool search --onlyvisible --name '提示' windowfocus --sync key Return
        echo "https with an untrusted certificate: the box, as without an answer"
    else
        fail "no box over https with an untrusted certificate"
    fi
    kill "$tls_pid"
    wineserver -k
done

echo "== one program per user and session"
shown() { xdotool search --onlyvisible --name 'Varno软件' 2>/dev/null | wc -l; }
start_server() {
    php -S 127.0.0.1:$port -t server/www >"$work/php.log" 2>&1 &
    php_pid=$!
    timeout 10 bash -c "until (echo >/dev/tcp/127.0.0.1/$port) 2>/dev/null; do sleep 0.2; done"
}
# The lock, in the user's temporary folder, bears the pipe's name; the one a
# terminated program of an earlier run left goes first.
temp=$(winepath -u "$(wine cmd /c echo %TEMP% | tr -d '\r')")
rm -f "$temp"/VarnoSoftware-*.lock
start_server
wine "$e2e" --autostart >/dev/null 2>&1 &
first=$!
# Once it has asked the server, its window would be up within a moment.
timeout 60 bash -c "until grep -q copyright.php '$work/php.log'; do sleep 0.5; done" || fail "no update check"
sleep 3
[ "$(shown)" -eq 0 ] || fail "a start at sign-in showed its window"
lock=$(ls "$temp" | grep -E '^VarnoSoftware-S-1-5-[0-9-]+-[0-9]+[.]lock$' || true)
[ -n "$lock" ] && echo "lock and pipe named after the user's SID and the session: ${lock%.lock}" \
    || fail "no lock named after the user's SID in $temp: $(ls "$temp" | grep VarnoSoftware || true)"
kill "$php_pid"
# Later starts end before their own update check: no server needed.
timeout 60 wine "$e2e" --autostart >/dev/null 2>&1 || fail "a second start at sign-in did not end with 0"
sleep 2
[ "$(shown)" -eq 0 ] || fail "a second start at sign-in showed the first one's window"
timeout 60 wine "$e2e" >/dev/null 2>&1 || fail "a second start did not end with 0"
window_named 'Varno软件' && [ "$(kill -0 "$first" 2>/dev/null && shown)" = 1 ] \
    && echo "a second start found the pipe served by its own user, showed the first one's window and ended" \
    || fail "a second start did not show the first one's window"
# TerminateProcess leaves a lock file behind; it must not block the next start.
wine taskkill /F /IM VarnoSoftware_e2e.exe >/dev/null 2>&1
wait "$first" 2>/dev/null || true
start_server
wine "$e2e" >/dev/null 2>&1 &
one=$!
wine "$e2e" >/dev/null 2>&1 &
other=$!
window_named 'Varno软件' || fail "after the first was terminated, no start showed a window"
sleep 3
alive=$(pgrep -fc 'VarnoSoftware_e2e[.]exe' || true)
if [ "$alive" = 1 ] && [ "$(shown)" = 1 ]; then
    echo "two starts at once after a terminated one: one program, one window"
else
    fail "two starts at once: $alive programs, $(shown) windows"
fi
kill "$php_pid"
wineserver -k
wait "$one" "$other" 2>/dev/null || true

[ "$failed" -eq 0 ] && echo "Windows tests under Wine: all passed"
exit "$failed"
