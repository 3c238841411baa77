#!/usr/bin/env bash
# The whole test suite, from a fresh Debian machine or a warm one:
#   tools/test.sh
# Installs what is missing, builds the product (i686) and the test build, makes a
# fresh private Wine prefix and a private X display for this run, then runs the
# GoogleTest executables through CTest and the end-to-end tests through pytest.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/lib.sh"
root=$(repo_root)

"$here/bootstrap.sh"
arch=$(build_product_and_tests)
file "$root/build/i686/update/Update.exe"

run_dir="$root/build/run"
rm -rf "$run_dir"
mkdir -p "$run_dir"
export KIVRA_WINEPREFIX="$run_dir/wine-prefix"
export KIVRA_UPDATE_EXE="$root/build/$arch/update/Update.exe"

xvfb_pid=
cleanup() {
    stop_wine_session
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

# A private X display: the window tests need one, and Wine's window-less runs are
# quieter with one.
exec 9> "$run_dir/display"
Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp >"$run_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$run_dir/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$run_dir/display")"

echo "test: Wine prefix $KIVRA_WINEPREFIX, display $DISPLAY, tests built for $arch"
"$here/wine-prefix.sh" "$KIVRA_WINEPREFIX"
( start_wine_session )

status=0
ctest --test-dir "$root/build/$arch" --output-on-failure --timeout 300 || status=1
/usr/bin/python3 -m pytest -q -p no:cacheprovider "$root/tests/e2e" || status=1
# The ZIP reader's fuzzer, natively with sanitizers, for a bounded time.
if [ -x "$here/fuzz.sh" ]; then
    "$here/fuzz.sh" || status=1
fi
exit $status
