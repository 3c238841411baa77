#!/usr/bin/env bash
# The updater end to end, as a user would see it:   tools/run.sh
# Installs what is missing and builds, makes a sample update package, starts the local
# version API and package host on 127.0.0.1, lays an older installation into a folder
# of a private Wine prefix, runs "Update.exe 3 711" there and prints what happened.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"
root=$(repo_root)

"$here/bootstrap.sh"
mkdir -p "$root/build"
arch=$(build_product_and_tests 2>"$root/build/run-build.log") ||
    { tail -n 40 "$root/build/run-build.log" >&2; exit 1; }
exec /usr/bin/python3 "$here/run_demo.py" --build "$root/build/$arch" --work "$root/build/demo"
