#!/usr/bin/env bash
# Makes a fresh private Wine prefix:   tools/wine-prefix.sh DIR
# Whatever was in DIR is removed. The profile's shell folders (Desktop, Documents, ...)
# become plain folders inside the prefix instead of links into the machine's home,
# and no first-run dialog can appear.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"

prefix=${1:?usage: wine-prefix.sh DIR}
mkdir -p "$(dirname "$prefix")"
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
rm -rf "$prefix"
mkdir -p "$prefix"
export_wine_env "$prefix"
loader=$(default_wine_loader)

"$loader" wineboot -i >/dev/null 2>&1 || true
"$(dirname "$loader")/wineserver" -w

[ -d "$prefix/drive_c/windows" ] || { echo "wine-prefix: wineboot made no prefix in $prefix" >&2; exit 1; }
for link in "$prefix"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
        rm -f "$link"
        mkdir -p "$link"
    fi
done
touch "$prefix/.ready"
