#!/usr/bin/env bash
# Configures and builds one target into build/<arch>:
#   tools/build.sh [i686|x86_64] [--no-tests]
# i686 is the product: a static PE32 GUI program, build/i686/update/Update.exe.
# KIVRA_BUILD_DIR overrides the build folder.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"

arch=${1:-i686}
tests=ON
[ "${2:-}" = --no-tests ] && tests=OFF
root=$(repo_root)
bld=${KIVRA_BUILD_DIR:-$root/build/$arch}

if [ ! -f "$bld/CMakeCache.txt" ] || ! grep -q "KIVRA_BUILD_TESTS:BOOL=$tests" "$bld/CMakeCache.txt"; then
    cmake -S "$root" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" \
        -DCMAKE_BUILD_TYPE=Release -DKIVRA_BUILD_TESTS=$tests >/dev/null
fi
cmake --build "$bld" -j"$(nproc)"
