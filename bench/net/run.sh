#!/usr/bin/env bash
# Download and whole-update benchmark, run by hand (never by the tests):
#   bench/net/run.sh [RUNS]        (default 5)
# (a) A ~200 MB file over loopback from tools/version_server.py: the updater's own
#     download transfer (our_download.exe) against the plainest libcurl program
#     (bare_download.exe), both cross-built alike and run under the same Wine, with
#     native `curl -o` as the ceiling.
# (b) The whole silent update of bench/zip's ~200 MB package, from process start to the
#     client started, against the same-Wine peers run back to back (bare_download.exe,
#     then miniunz.exe), with native `curl -o` plus `unzip` beside.
# Medians of RUNS interleaved runs. Needs bench/zip/run.sh to have built miniunz.exe
# and the package (build/bench-zip), and a test build (tools/build.sh; KIVRA_BUILD_DIR
# names another build folder).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tools/lib.sh"
runs=${1:-5}
work=${KIVRA_BENCH_DIR:-$root/build/bench-net}
zipwork=$root/build/bench-zip
mkdir -p "$work"
cd "$work"

for need in "$zipwork/miniunz.exe" "$zipwork/package.zip"; do
    [ -f "$need" ] || { echo "bench: run bench/zip/run.sh first ($need is missing)" >&2; exit 1; }
done
command -v unzip >/dev/null || { echo "bench: needs unzip" >&2; exit 1; }

arch=$(test_arch)
if [ "$arch" = x86_64 ]; then cross=x86_64-w64-mingw32; else cross=i686-w64-mingw32; fi
curl_prefix=$(ls -d "$(deps_dir)/$arch"/curl-*/ | head -n 1)
flags=(-O2 -static -std=c++17 -DCURL_STATICLIB -I"$root" -I"$curl_prefix/include")
libs=(-L"$curl_prefix/lib" -lcurl -lws2_32 -lcrypt32 -lbcrypt -ladvapi32 -lwinmm)
"$cross-g++-posix" "${flags[@]}" "$here/bare_download.cpp" "${libs[@]}" -o bare_download.exe
"$cross-g++-posix" "${flags[@]}" "$here/our_download.cpp" "$root/net/http_transport.cpp" \
    "${libs[@]}" -o our_download.exe
build=${KIVRA_BUILD_DIR:-$root/build/$arch}
update_exe=$build/update/Update.exe
standin=$build/tests/standin/KivraClient.exe
for need in "$update_exe" "$standin"; do
    [ -f "$need" ] || { echo "bench: build first: tools/build.sh $arch ($need is missing)" >&2; exit 1; }
done

[ -f blob.bin ] || head -c 200000000 /dev/urandom > blob.bin
# bench/zip's package with the stand-in client as its KivraClient.exe, so that the run
# ends with a client that really starts.
if [ ! -f package.zip ]; then
    /usr/bin/python3 - "$zipwork/package.zip" package.zip "$standin" <<'PY'
import sys, zipfile
source, target, client = sys.argv[1:]
with zipfile.ZipFile(source) as src, zipfile.ZipFile(target, "w") as dst:
    for info in src.infolist():
        if info.filename != "KivraClient.exe":
            dst.writestr(info, src.read(info), compress_type=info.compress_type)
    dst.write(client, "KivraClient.exe", compress_type=zipfile.ZIP_DEFLATED)
PY
fi
cat > server.json <<JSON
{"clients": {"3": {"success": true, "version_number": "bench",
                   "url": "http://127.0.0.1:PORT/package.zip"}},
 "files": {"/blob.bin": "$work/blob.bin", "/package.zip": "$work/package.zip"}}
JSON
rm -f port
/usr/bin/python3 "$root/tools/version_server.py" --config server.json --port-file port \
    2>/dev/null &
server=$!
export KIVRA_WINEPREFIX=$work/wine-prefix
start_wine_session
trap 'kill $server 2>/dev/null; stop_wine_session' EXIT
for _ in $(seq 100); do [ -s port ] && break; sleep 0.05; done
port=$(cat port)
blob_url=http://127.0.0.1:$port/blob.bin

now() { date +%s.%N; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
timed() { local t0; t0=$(now); "$@" >/dev/null 2>&1 || true; echo "$(now) - $t0" | bc; }

rm -f ./*.times
for i in $(seq "$runs"); do
    timed "$root/tools/wine-run.sh" ./our_download.exe "$blob_url" out.bin >> a_ours.times
    timed "$root/tools/wine-run.sh" ./bare_download.exe "$blob_url" out.bin >> a_bare.times
    timed curl -s -o out.bin "$blob_url" >> a_native.times

    # (b) the whole silent update: a fresh installation, timed to the client's record
    inst=$KIVRA_WINEPREFIX/drive_c/bench-install
    rm -rf "$inst" && mkdir -p "$inst"
    cp "$update_exe" "$inst/Update.exe"
    cp "$standin" "$inst/KivraClient.exe"
    t0=$(now)
    # The silent update always exits with 1.
    http_proxy=http://127.0.0.1:$port "$root/tools/wine-run.sh" "$inst/Update.exe" 3 711 \
        </dev/null >/dev/null 2>&1 || true
    for _ in $(seq 3000); do [ -f "$inst/standin-run.txt" ] && break; sleep 0.01; done
    [ -f "$inst/standin-run.txt" ] || { echo "bench: the client did not start" >&2; exit 1; }
    echo "$(now) - $t0" | bc >> b_update.times
    "$root/tools/wine-run.sh" taskkill /F /IM KivraClient.exe >/dev/null 2>&1 || true

    rm -rf peer && mkdir peer
    t0=$(now)
    "$root/tools/wine-run.sh" ./bare_download.exe "http://127.0.0.1:$port/package.zip" peer/up.zip \
        >/dev/null 2>&1
    (cd peer && "$root/tools/wine-run.sh" "$zipwork/miniunz.exe" -o -x up.zip >/dev/null 2>&1)
    echo "$(now) - $t0" | bc >> b_peers.times

    rm -rf native && mkdir native
    t0=$(now)
    curl -s -o native/up.zip "http://127.0.0.1:$port/package.zip"
    (cd native && unzip -q -o up.zip)
    echo "$(now) - $t0" | bc >> b_native.times
done

mb=$(echo "$(stat -c %s blob.bin) / 1000000" | bc -l)
a_ours=$(median < a_ours.times); a_bare=$(median < a_bare.times); a_native=$(median < a_native.times)
b_update=$(median < b_update.times); b_peers=$(median < b_peers.times); b_native=$(median < b_native.times)
printf '(a) download of %.0f MB, median of %d runs\n' "$mb" "$runs"
printf '    ours (Wine)        %6.2f s  %7.1f MB/s\n' "$a_ours" "$(echo "$mb / $a_ours" | bc -l)"
printf '    bare libcurl (Wine)%6.2f s  %7.1f MB/s\n' "$a_bare" "$(echo "$mb / $a_bare" | bc -l)"
printf '    native curl -o     %6.2f s  %7.1f MB/s\n' "$a_native" "$(echo "$mb / $a_native" | bc -l)"
printf '    ours / bare throughput: %.2f (goal >= 0.9)\n' "$(echo "$a_bare / $a_ours" | bc -l)"
printf '(b) whole silent update of the bench package, median of %d runs\n' "$runs"
printf '    Update.exe 3 711 (Wine)            %6.2f s\n' "$b_update"
printf '    bare download + miniunz (Wine)     %6.2f s\n' "$b_peers"
printf '    native curl -o + unzip             %6.2f s\n' "$b_native"
printf '    ours / peers: %.2f (goal <= 1.2)\n' "$(echo "$b_update / $b_peers" | bc -l)"
