#!/usr/bin/env bash
# Extraction benchmark, run by hand (never by the tests):
#   bench/zip/run.sh [RUNS]        (default 5)
# Generates a ~200 MB package (make_package.py) and extracts it RUNS times, interleaved,
# with our reader (zipbench.exe) and minizip's miniunz.exe, both cross-built with the
# same MinGW compiler and flags and run under the same Wine, and with Info-ZIP unzip
# natively. Prints the median, fastest and slowest wall time of each, the ratios to
# miniunz, and the peak resident memory (/usr/bin/time's maximum RSS; for zipbench also
# its own peak working set). Then extracts a package of a twentieth of the size to show
# that our peak memory does not grow with the package.
# Work folder: build/bench-zip (KIVRA_BENCH_DIR), with its own Wine prefix.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$root/tools/lib.sh"
runs=${1:-5}
work=${KIVRA_BENCH_DIR:-$root/build/bench-zip}
mkdir -p "$work"
cd "$work"

for tool in unzip /usr/bin/time bc; do
    command -v "$tool" >/dev/null || { echo "bench: needs $tool (apt-get install unzip time bc)" >&2; exit 1; }
done

arch=$(test_arch)
if [ "$arch" = x86_64 ]; then cross=x86_64-w64-mingw32; else cross=i686-w64-mingw32; fi
flags=(-O2 -static)

# minizip's miniunz from Debian's zlib source package: the first source version that
# the mirror still serves.
if [ ! -f miniunz.exe ]; then
    mkdir -p src
    if ! ls -d src/zlib-*/contrib/minizip >/dev/null 2>&1; then
        for v in $(apt-cache showsrc zlib | sed -n 's/^Version: //p' | sort -rV); do
            (cd src && apt-get source -q "zlib=$v" >/dev/null 2>&1) && break
        done
    fi
    m=$(ls -d src/zlib-*/contrib/minizip | head -n 1)
    "$cross-gcc-posix" "${flags[@]}" -I"$m" "$m/miniunz.c" "$m/unzip.c" "$m/ioapi.c" "$m/iowin32.c" \
        -lz -o miniunz.exe
fi
"$cross-g++-posix" "${flags[@]}" -std=c++17 -municode -DUNICODE -D_UNICODE -Wall -Wextra -I"$root" \
    "$here/zipbench.cpp" "$root/zip/zip_result.cpp" "$root/zip/zip_name.cpp" \
    "$root/zip/zip_archive.cpp" "$root/zip/unzip.cpp" -lz -lpsapi -o zipbench.exe

[ -f package.zip ] || /usr/bin/python3 "$here/make_package.py" package.zip
[ -f small.zip ] || /usr/bin/python3 "$here/make_package.py" small.zip --scale 0.05

export KIVRA_WINEPREFIX=$work/wine-prefix
start_wine_session
trap stop_wine_session EXIT

win() { echo "Z:${1//\//\\}"; }

# run NAME PACKAGE: one extraction into a fresh folder; appends "seconds kib" to NAME.times
run() {
    local name=$1 package=$2 out="$work/out-$1"
    rm -rf "$out" && mkdir -p "$out"
    sync
    case $name in
    ours)
        /usr/bin/time -f "%e %M" -o t.txt "$root/tools/wine-run.sh" ./zipbench.exe \
            "$(win "$work/$package")" "$(win "$out")" > zipbench.txt
        ;;
    miniunz)
        /usr/bin/time -f "%e %M" -o t.txt "$root/tools/wine-run.sh" ./miniunz.exe -x -o \
            "$(win "$work/$package")" -d "$(win "$out")" > /dev/null
        ;;
    unzip)
        /usr/bin/time -f "%e %M" -o t.txt unzip -q -o "$package" -d "$out"
        ;;
    esac
    echo "$(tail -n 1 t.txt) $(sed -n 's/.*peak_kib=\([0-9]*\).*/\1/p' zipbench.txt 2>/dev/null)" >> "$name.times"
}

median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

rm -f ours.times miniunz.times unzip.times zipbench.txt
for i in $(seq "$runs"); do
    for name in ours miniunz unzip; do run "$name" package.zip; done
done
diff -r out-ours out-unzip >/dev/null && diff -r out-miniunz out-unzip >/dev/null ||
    { echo "bench: the extracted trees differ" >&2; exit 1; }

size_mb=$(( $(stat -c %s package.zip) / 1000000 ))
unpacked_mb=$(( $(du -sb out-unzip | cut -f1) / 1000000 ))
files=$(find out-unzip -type f | wc -l)
echo "package: $size_mb MB, $unpacked_mb MB unpacked, $files files; $runs runs each, wall time"
printf '%-28s %8s %8s %8s %10s %12s\n' tool median fastest slowest vs_miniunz peak_rss_MiB
base=$(cut -d' ' -f1 miniunz.times | median)
for name in ours miniunz unzip; do
    med=$(cut -d' ' -f1 $name.times | median)
    lo=$(cut -d' ' -f1 $name.times | sort -n | head -n 1)
    hi=$(cut -d' ' -f1 $name.times | sort -n | tail -n 1)
    rss=$(cut -d' ' -f2 $name.times | median)
    label=$name
    [ $name = ours ] && label="ours (zipbench, Wine)"
    [ $name = miniunz ] && label="miniunz (Wine)"
    [ $name = unzip ] && label="Info-ZIP unzip (native)"
    printf '%-28s %7.2fs %7.2fs %7.2fs %9.2fx %12.1f\n' "$label" "$med" "$lo" "$hi" \
        "$(echo "$med / $base" | bc -l)" "$(echo "$rss / 1024" | bc -l)"
done
echo "ours, own peak working set: $(cut -d' ' -f3 ours.times | median) KiB"

rm -f ours.times
run ours small.zip
echo "ours on a package of $(( $(stat -c %s small.zip) / 1000000 )) MB: peak RSS $(cut -d' ' -f2 ours.times) KiB, own peak working set $(cut -d' ' -f3 ours.times) KiB"
rm -rf out-ours out-miniunz out-unzip t.txt
