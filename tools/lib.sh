# Shared by the bootstrap, build and test scripts. Sourced, not run.

# Recipe revisions: bump one when its build options change, so caches rebuild.
CURL_RECIPE=1
PUGIXML_RECIPE=1
GTEST_RECIPE=1

repo_root() { (cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd); }

deps_dir() { echo "${KIVRA_DEPS_DIR:-/var/cache/kivra-update-deps}"; }

# True when this machine's kernel runs 32-bit x86 code. A 93-byte static ELF32 that
# only calls exit(0) through int 0x80: it runs, or exec fails with a format error.
host_runs_i386() {
    local probe
    probe=$(mktemp)
    printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\061\333\315\200' > "$probe"
    chmod +x "$probe"
    local ok=1
    "$probe" 2>/dev/null && ok=0
    rm -f "$probe"
    return $ok
}

# The product is always built for i686. Tests run the build that this machine's Wine
# can execute: i686 where 32-bit code runs, otherwise an x86_64 build of the same
# sources under wine64.
test_arch() {
    if [ -n "${KIVRA_TEST_ARCH:-}" ]; then echo "$KIVRA_TEST_ARCH"; return; fi
    if host_runs_i386; then echo i686; else echo x86_64; fi
}

build_arches() {
    echo i686
    [ "$(test_arch)" = i686 ] || test_arch
}

# The product (i686) and the build the tests run, with its test programs; prints the
# latter's architecture on the last line of stdout.
build_product_and_tests() {
    local tools arch
    tools=$(repo_root)/tools
    arch=$(test_arch)
    # Explicit returns: errexit does not reach into a command substitution.
    if [ "$arch" = i686 ]; then
        "$tools/build.sh" i686 >&2 || return 1
    else
        "$tools/build.sh" i686 --no-tests >&2 || return 1
        "$tools/build.sh" "$arch" >&2 || return 1
    fi
    echo "$arch"
}

toolchain_file() { echo "$(repo_root)/cmake/mingw-$1.cmake"; }

# A small CMake file naming the cached library prefixes of one target, read by the
# project's configure step.
write_deps_prefix_file() {
    local arch=$1 root f
    root=$(deps_dir)
    f="$root/$arch/prefixes.cmake"
    {
        echo "# written by tools/bootstrap.sh"
        echo "set(KIVRA_DEPS_PREFIX"
        local d
        for d in "$root/$arch"/*/; do
            [ -f "$d/.done" ] && echo "  \"${d%/}\""
        done
        echo ")"
    } > "$f.tmp"
    mv "$f.tmp" "$f"
}

# --- Wine ---------------------------------------------------------------------

# The Wine loader for a program: wine64 for PE32+ (x86-64), the 32-bit loader for PE32.
wine_loader_for() {
    local exe=$1 offset machine
    # A Windows path (C:\windows\...) names one of the prefix's own programs.
    [ -f "$exe" ] || { default_wine_loader; return; }
    offset=$(od -An -t u4 -j 60 -N 4 "$exe" | tr -d ' ')
    machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$exe" | tr -d ' ')
    if [ "$machine" = 8664 ]; then
        echo /usr/lib/wine/wine64
    else
        echo /usr/lib/wine/wine
    fi
}

default_wine_loader() {
    if [ "$(test_arch)" = x86_64 ]; then echo /usr/lib/wine/wine64; else echo /usr/lib/wine/wine; fi
}

# The environment of every Wine call of the project: the given prefix, its own home
# and runtime folders inside it (nothing of the machine's home is touched), no
# Mono/Gecko installers and no desktop integration.
export_wine_env() {
    local prefix=$1
    export WINEPREFIX=$prefix
    export HOME=$prefix/home
    export XDG_RUNTIME_DIR=$prefix/run
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# Starts one persistent wineserver for $KIVRA_WINEPREFIX (made first if it is not
# ready) and its session (services, desktop) once, with no terminal attached: later
# program starts skip Wine's start-up, and no background Wine process holds a caller's
# output pipes open. Exports the prefix's Wine environment.
start_wine_session() {
    [ -f "$KIVRA_WINEPREFIX/.ready" ] || "$(repo_root)/tools/wine-prefix.sh" "$KIVRA_WINEPREFIX"
    export_wine_env "$KIVRA_WINEPREFIX"
    local loader
    loader=$(default_wine_loader)
    "$(dirname "$loader")/wineserver" -p
    "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Ends the session of $KIVRA_WINEPREFIX and every program still running in it.
stop_wine_session() {
    ( export_wine_env "$KIVRA_WINEPREFIX"; "$(dirname "$(default_wine_loader)")/wineserver" -k ) \
        2>/dev/null || true
}
