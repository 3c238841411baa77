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
arch=$(test_arch)
if [ "$arch" = i686 ]; then
    "$here/build.sh" i686 >/dev/null
else
    "$here/build.sh" i686 --no-tests >/dev/null
    "$here/build.sh" "$arch" >/dev/null
fi
exec /usr/bin/python3 "$here/run_demo.py" --build "$root/build/$arch" --work "$root/build/demo"
