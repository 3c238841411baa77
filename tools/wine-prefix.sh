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
# --- CJK fonts for the window -----------------------------------------------------
# The window's layout asks for the faces 微软雅黑 (Microsoft YaHei) and 宋体 (SimSun),
# which a Linux machine lacks; Wine's font replacements map them to the installed
# WenQuanYi Micro Hei so that Chinese text renders. The program still asks for the
# faces the layout names.
fonts_reg="$prefix/cjk-fonts.reg"
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for face in 微软雅黑 宋体 "Microsoft YaHei" SimSun 新宋体 NSimSun; do
        printf '"%s"="WenQuanYi Micro Hei"\r\n' "$face"
    done
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$fonts_reg"
"$loader" regedit /S "$fonts_reg" >/dev/null 2>&1 || true
"$(dirname "$loader")/wineserver" -w
rm -f "$fonts_reg"

touch "$prefix/.ready"
