#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix:
#   tools/wine-run.sh PROGRAM.exe [ARGS...]
# The prefix is $KIVRA_WINEPREFIX, made on first use (tools/test.sh makes a fresh one
# for every run). The program's exit code is this script's exit code.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"

prefix=${KIVRA_WINEPREFIX:-$(repo_root)/build/wine-prefix}
[ -f "$prefix/.ready" ] || "$here/wine-prefix.sh" "$prefix"
export_wine_env "$prefix"
exec "$(wine_loader_for "$1")" "$@"
