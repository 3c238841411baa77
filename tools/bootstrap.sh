#!/usr/bin/env bash
# Installs what the build and the tests need, and nothing else. Safe to run again:
# on a machine where everything is there it only checks and finishes in seconds.
#
#   tools/bootstrap.sh            packages, then libcurl, pugixml and GoogleTest for MinGW
#
# Cross-built libraries go to a cache outside the clone ($KIVRA_DEPS_DIR, default
# /var/cache/kivra-update-deps), one folder per target, library, Debian version and
# recipe revision, so a second run, or a second clone, reuses them.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/lib.sh
source "$here/lib.sh"

log() { printf 'bootstrap: %s\n' "$*" >&2; }

is_installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

apt_updated=0
apt_update_once() {
    if [ "$apt_updated" = 0 ]; then
        log "apt-get update"
        apt-get update -q >/dev/null
        apt_updated=1
    fi
}

install_missing() {
    local missing=()
    local p
    for p in "$@"; do
        is_installed "$p" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    apt_update_once
    log "installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

enable_deb_src() {
    # apt-get source needs the source indexes; Debian images often ship binaries only.
    if grep -rqs -E '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 0
    fi
    log "enabling deb-src"
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [ -e "$f" ] || continue
        sed -i 's/^Types: deb$/Types: deb deb-src/' "$f"
    done
    if [ -f /etc/apt/sources.list ]; then
        sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list > /etc/apt/sources.list.d/kivra-deb-src.list
    fi
    apt_updated=0
}

# --- packages ---------------------------------------------------------------
base_packages=(
    build-essential cmake make pkg-config dpkg-dev file ca-certificates openssl
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    libz-mingw-w64-dev rapidjson-dev googletest
    wine wine64 xvfb xauth fonts-wqy-microhei xdotool imagemagick
    python3 python3-pytest python3-pil
    clang libclang-rt-14-dev zlib1g-dev
)
install_missing "${base_packages[@]}"

# wine32 runs PE32 programs only where the kernel runs 32-bit x86 code; some
# virtual machines boot with that disabled, and then only wine64 is of use.
if host_runs_i386; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        log "adding the i386 architecture"
        dpkg --add-architecture i386
        apt_updated=0
    fi
    install_missing wine32:i386
fi

# --- cross-built libraries ----------------------------------------------------
deps_root=$(deps_dir)
mkdir -p "$deps_root/src"

source_version() { # package -> Debian source version known to apt
    apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

fetch_source() { # package version -> unpacked tree path on stdout
    local pkg=$1 ver=$2 dir="$deps_root/src/$1-$2"
    if [ ! -f "$dir/.unpacked" ]; then
        rm -rf "$dir" && mkdir -p "$dir"
        log "apt-get source $pkg=$ver"
        (cd "$dir" && apt-get source -q "$pkg=$ver" >/dev/null 2>&1)
        touch "$dir/.unpacked"
    fi
    find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

ensure_sources() {
    if ! apt-cache showsrc curl 2>/dev/null | grep -q '^Version:'; then
        enable_deb_src
        apt_update_once
    fi
}

build_curl() { # arch
    local arch=$1 ver prefix src bld
    ver=$(cat "$deps_root/src/curl.version")
    prefix="$deps_root/$arch/curl-$ver-r$CURL_RECIPE"
    [ -f "$prefix/.done" ] && return 0
    src=$(fetch_source curl "$ver")
    bld="$deps_root/build/curl-$arch"
    rm -rf "$bld" "$prefix" && mkdir -p "$bld"
    log "building libcurl $ver for $arch (static, Schannel, HTTP and HTTPS only)"
    cmake -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF \
        -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_ZLIB=OFF \
        -DHTTP_ONLY=ON -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON \
        -DUSE_LIBIDN2=OFF -DCURL_USE_LIBSSH2=OFF -DENABLE_MANUAL=OFF \
        -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none >"$bld.log" 2>&1 ||
        { tail -n 30 "$bld.log"; exit 1; }
    cmake --build "$bld" -j"$(nproc)" >>"$bld.log" 2>&1 || { tail -n 30 "$bld.log"; exit 1; }
    cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -n 30 "$bld.log"; exit 1; }
    rm -rf "$bld"
    touch "$prefix/.done"
}

build_pugixml() { # arch
    local arch=$1 ver prefix src bld
    ver=$(cat "$deps_root/src/pugixml.version")
    prefix="$deps_root/$arch/pugixml-$ver-r$PUGIXML_RECIPE"
    [ -f "$prefix/.done" ] && return 0
    src=$(fetch_source pugixml "$ver")
    bld="$deps_root/build/pugixml-$arch"
    rm -rf "$bld" "$prefix" && mkdir -p "$bld"
    log "building pugixml $ver for $arch (wide-character interface)"
    cmake -S "$src" -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -DPUGIXML_WCHAR_MODE=ON -DBUILD_TESTING=OFF >"$bld.log" 2>&1 ||
        { tail -n 30 "$bld.log"; exit 1; }
    cmake --build "$bld" -j"$(nproc)" >>"$bld.log" 2>&1 || { tail -n 30 "$bld.log"; exit 1; }
    cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -n 30 "$bld.log"; exit 1; }
    rm -rf "$bld"
    touch "$prefix/.done"
}

build_googletest() { # arch
    local arch=$1 ver prefix bld
    ver=$(dpkg-query -W -f='${Version}' googletest)
    prefix="$deps_root/$arch/googletest-$ver-r$GTEST_RECIPE"
    [ -f "$prefix/.done" ] && return 0
    bld="$deps_root/build/googletest-$arch"
    rm -rf "$bld" "$prefix" && mkdir -p "$bld"
    log "building GoogleTest $ver for $arch"
    cmake -S /usr/src/googletest -B "$bld" -DCMAKE_TOOLCHAIN_FILE="$(toolchain_file "$arch")" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DBUILD_SHARED_LIBS=OFF -Dgtest_disable_pthreads=OFF >"$bld.log" 2>&1 ||
        { tail -n 30 "$bld.log"; exit 1; }
    cmake --build "$bld" -j"$(nproc)" >>"$bld.log" 2>&1 || { tail -n 30 "$bld.log"; exit 1; }
    cmake --install "$bld" >>"$bld.log" 2>&1 || { tail -n 30 "$bld.log"; exit 1; }
    rm -rf "$bld"
    touch "$prefix/.done"
}

# The source versions are looked up once and remembered, so that a machine whose apt
# lists have moved on keeps using what it built until the cache is cleared.
for pkg in curl pugixml; do
    if [ ! -s "$deps_root/src/$pkg.version" ]; then
        ensure_sources
        v=$(source_version "$pkg")
        [ -n "$v" ] || { log "no source package for $pkg"; exit 1; }
        echo "$v" > "$deps_root/src/$pkg.version"
    fi
done

for arch in $(build_arches); do
    build_curl "$arch"
    build_pugixml "$arch"
    build_googletest "$arch"
    write_deps_prefix_file "$arch"
done
log "ready ($(build_arches | tr '\n' ' ')in $deps_root)"
