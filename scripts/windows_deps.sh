#!/usr/bin/env bash
# Sets up what the 32-bit Windows build (cmake/toolchains/mingw-i686.cmake) needs, from Debian only:
#
# 1. Debian packages, only those still missing (sudo when not run as root): the mingw-w64 "posix"
#    cross compilers, zlib for mingw-w64, dpkg-dev (apt-get source), CMake, Ninja, pkg-config, and
#    Wine with its 32-bit half (this adds the i386 architecture to dpkg) and the 32-bit GnuTLS that
#    Wine's Schannel (https) runs on.
# 2. Where the kernel cannot run 32-bit x86 programs (IA-32 emulation off, as on this project's
#    machines): qemu-i386 from bookworm-backports, unpacked (not installed) into
#    build/windows-deps/qemu and registered for 32-bit programs (scripts/wine_run.sh --enable-i386).
#    Bookworm's own qemu 7.2 would do too, but takes about 50 s to start each Wine process.
# 3. Static libraries cross-built from Debian's source packages (Debian's patches applied) into the
#    sysroot build/windows-sysroot: zlib (copied from libz-mingw-w64-dev), liblzma (xz-utils),
#    libcurl (Schannel TLS, zlib), libarchive (zlib, liblzma), jsoncpp, pugixml, googletest.
#    The sources come through an apt configuration of its own in build/windows-deps/apt (its own
#    deb-src lines, lists and cache; /etc/apt is left alone), and are kept in build/windows-deps/src.
#
# Every library leaves a stamp in <sysroot>/.stamps: Debian version, compiler, build options and a
# hash of its recipe (its function here and the toolchain file), plus the stamps of what it links
# against. A library whose stamp matches is skipped; one whose build was cut short has no stamp and
# is built again. Everything stamped, a run takes about a second.
# Times on 2 cores, from a machine without any of it: about 5-7 min in all; packages 1.2 min
# (216 MB download, 1.1 GB on disk), lists, qemu and sources 25 s, libraries 3.5-5.5 min
# (libarchive's configure checks take the longest). The sysroot takes 6 MB, build/windows-deps
# 135 MB (mostly the unpacked sources, kept for the next build).
#
# Usage: scripts/windows_deps.sh [--refresh]
#   --refresh  reload the source lists first, so new Debian point and security releases get built
#              (a source that the mirror no longer has triggers this by itself)
# Environment: COLLIVO_WINDOWS_SYSROOT (default build/windows-sysroot) and COLLIVO_WINDOWS_DEPS_DIR
# (default build/windows-deps) move the sysroot and the work folder; the toolchain file reads the
# same COLLIVO_WINDOWS_SYSROOT.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SYSROOT=${COLLIVO_WINDOWS_SYSROOT:-$ROOT/build/windows-sysroot}
DEPS=${COLLIVO_WINDOWS_DEPS_DIR:-$ROOT/build/windows-deps}
TOOLCHAIN=$ROOT/cmake/toolchains/mingw-i686.cmake
HOST=i686-w64-mingw32
CXX=$HOST-g++-posix
JOBS=2
REFRESH=false
[[ "${1:-}" == "--refresh" ]] && REFRESH=true

PACKAGES=(
    cmake ninja-build pkg-config dpkg-dev xz-utils
    g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev
    wine wine32:i386 libgnutls30:i386
)
LIBS=(zlib xz curl libarchive jsoncpp pugixml googletest)
declare -A DEBIAN_SOURCE=([xz]=xz-utils [curl]=curl [libarchive]=libarchive [jsoncpp]=libjsoncpp
                          [pugixml]=pugixml [googletest]=googletest)
declare -A LINKS_AGAINST=([curl]="zlib" [libarchive]="zlib xz")

SUDO=()
[[ $(id -u) -ne 0 ]] && SUDO=(sudo)
log() { echo "windows_deps: $*"; }
die() { echo "windows_deps: $*" >&2; exit 1; }

# Fills INSTALLED[package] with the versions of the installed ones (one dpkg-query for all).
declare -A INSTALLED
read_installed() {
    local name version status native
    native=$(dpkg --print-architecture)
    INSTALLED=()
    while read -r name version status; do
        # dpkg names some native packages with their architecture, some without
        name=${name%:"$native"}
        if [[ $status == ii ]]; then INSTALLED[$name]=$version; fi
    done < <(dpkg-query -W -f='${binary:Package} ${Version} ${db:Status-Abbrev}\n' \
        "${PACKAGES[@]}" mingw-w64-i686-dev 2>/dev/null || true)
}

install_packages() {
    local missing=() pkg
    read_installed
    for pkg in "${PACKAGES[@]}"; do
        [[ -n ${INSTALLED[$pkg]:-} ]] || missing+=("$pkg")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0
    local start=$SECONDS
    log "installing ${missing[*]}"
    dpkg --print-foreign-architectures | grep -qx i386 || "${SUDO[@]}" dpkg --add-architecture i386
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}" >"$DEPS/apt-install.log" 2>&1 ||
        { tail -n 20 "$DEPS/apt-install.log" >&2; die "apt-get install failed"; }
    log "packages installed in $((SECONDS - start)) s"
    read_installed
}

# --- the private apt configuration -----------------------------------------------------------

APT_DIR=$DEPS/apt
APT_OPTS=(
    -o Dir::Etc::SourceList="$APT_DIR/sources.list" -o Dir::Etc::SourceParts="$APT_DIR/parts"
    -o Dir::State::Lists="$APT_DIR/lists" -o Dir::Cache="$APT_DIR/cache"
    -o APT::Sandbox::User="$(id -un)"
)

# The system's own Debian mirrors (deb.debian.org when none is configured).
system_mirror() {
    local pattern=$1 fallback=$2 uri
    uri=$(grep -hoE "https?://[^ ]*/$pattern/?( |$)" /etc/apt/sources.list \
        /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1 || true)
    uri=${uri%% *}
    echo "${uri%/}" | grep . || echo "$fallback"
}

# Source lines for the release this machine runs, plus backports' binaries (for qemu-user).
write_sources() {
    local codename mirror security arch keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    # shellcheck disable=SC1091
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mirror=$(system_mirror debian http://deb.debian.org/debian)
    security=$(system_mirror debian-security http://deb.debian.org/debian-security)
    arch=$(dpkg --print-architecture)
    local signed=""
    [[ -f $keyring ]] && signed="signed-by=$keyring"
    mkdir -p "$APT_DIR/parts" "$APT_DIR/lists/partial" "$APT_DIR/cache/archives/partial"
    cat >"$APT_DIR/sources.list.new" <<EOF
deb-src ${signed:+[$signed] }$mirror $codename main
deb-src ${signed:+[$signed] }$mirror $codename-updates main
deb-src ${signed:+[$signed] }$security $codename-security main
deb [arch=$arch${signed:+ $signed}] $mirror $codename-backports main
EOF
    if cmp -s "$APT_DIR/sources.list.new" "$APT_DIR/sources.list"; then
        rm "$APT_DIR/sources.list.new"
    else
        mv "$APT_DIR/sources.list.new" "$APT_DIR/sources.list"
        REFRESH=true
    fi
    ls "$APT_DIR"/lists/*Sources* >/dev/null 2>&1 || REFRESH=true
}

update_lists() {
    log "reading Debian's source lists"
    apt-get "${APT_OPTS[@]}" update -q >"$DEPS/apt-update.log" 2>&1 ||
        die "apt-get update failed, see $DEPS/apt-update.log"
    REFRESH=false
}

# Fills VERSION[lib] with the Debian version of each library's source package; the answer is
# kept in apt/versions until the lists change.
declare -A VERSION
read_versions() {
    local uris lib dsc key cache=$APT_DIR/versions
    VERSION=([zlib]=${INSTALLED[libz-mingw-w64-dev]})
    key="lists $(stat -c '%n %Y %s' "$APT_DIR"/lists/*Sources* | sha256sum | cut -c1-16)"
    if [[ -f $cache && "$(head -n1 "$cache")" == "$key" ]]; then
        while read -r lib dsc; do VERSION[$lib]=$dsc; done < <(tail -n +2 "$cache")
        return 0
    fi
    uris=$(cd "$APT_DIR" && apt-get "${APT_OPTS[@]}" source --print-uris -qq \
        "${DEBIAN_SOURCE[@]}" 2>&1) || { echo "$uris" >&2; return 1; }
    echo "$key" >"$cache.new"
    for lib in "${!DEBIAN_SOURCE[@]}"; do
        dsc=$(grep -oE "[[:space:]]${DEBIAN_SOURCE[$lib]}_[^ ]+\.dsc" <<<"$uris" | head -n1)
        [[ -n $dsc ]] || die "no source package ${DEBIAN_SOURCE[$lib]}"
        dsc=${dsc##*_}
        VERSION[$lib]=${dsc%.dsc}
        echo "$lib ${VERSION[$lib]}" >>"$cache.new"
    done
    mv "$cache.new" "$cache"
}

source_cache() { echo "$DEPS/src/${DEBIAN_SOURCE[$1]}_${VERSION[$1]}"; }

# Downloads and unpacks a library's source package (Debian's patches applied), unless cached.
fetch_source() {
    local lib=$1 package=${DEBIAN_SOURCE[$1]:-} dir
    [[ -n $package ]] || return 0
    dir=$(source_cache "$lib")
    [[ -f $dir/.unpacked ]] && return 0
    log "fetching $package ${VERSION[$lib]}"
    rm -rf "$DEPS/src/${package}_"* && mkdir -p "$dir.part"
    (cd "$dir.part" && apt-get "${APT_OPTS[@]}" source -q "$package=${VERSION[$lib]}") \
        >"$DEPS/logs/fetch-$package.log" 2>&1 || return 1
    touch "$dir.part/.unpacked"
    mv "$dir.part" "$dir"
}

# The folder of a library's unpacked source.
source_dir() {
    fetch_source "$1" || die "could not fetch ${DEBIAN_SOURCE[$1]}, see $DEPS/logs"
    find "$(source_cache "$1")" -mindepth 1 -maxdepth 1 -type d | head -n1
}

# --- building ----------------------------------------------------------------------------------

BUILD=$DEPS/build

# configure NAME SOURCE [CMAKE ARGS...]: a fresh Release configuration with the project's toolchain.
configure() {
    local name=$1 src=$2
    shift 2
    rm -rf "${BUILD:?}/$name"
    cmake -S "$src" -B "$BUILD/$name" -G Ninja -Wno-dev \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCOLLIVO_WINDOWS_SYSROOT="$SYSROOT" \
        -DCOLLIVO_WINDOWS_WMAIN=OFF -DCMAKE_CROSSCOMPILING_EMULATOR= \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$SYSROOT" -DBUILD_SHARED_LIBS=OFF "$@"
}

# build_and_install NAME [TARGET [COMPONENT...]]: builds everything (or TARGET) and installs it
# (or only the given install components).
build_and_install() {
    local name=$1 target=${2:-} component
    cmake --build "$BUILD/$name" -j "$JOBS" ${target:+--target "$target"}
    if [[ $# -le 2 ]]; then
        cmake --install "$BUILD/$name"
    else
        for component in "${@:3}"; do cmake --install "$BUILD/$name" --component "$component"; done
    fi
}

# write_pc NAME VERSION CFLAGS LIBS LIBS.PRIVATE REQUIRES.PRIVATE: a pkg-config file of our own
# where the upstream one is missing or wrong for a static library.
write_pc() {
    mkdir -p "$SYSROOT/lib/pkgconfig"
    cat >"$SYSROOT/lib/pkgconfig/$1.pc" <<EOF
prefix=$SYSROOT
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $1 (static, for $HOST)
Version: $2
Cflags: -I\${includedir}$3
Libs: -L\${libdir} $4
Libs.private: $5
Requires.private: $6
EOF
}

# zlib: the static library of Debian's libz-mingw-w64-dev, copied so that the sysroot alone
# answers every lookup.
# shellcheck disable=SC2034  # read through expected_stamp, like the other *_options
zlib_options=()
build_zlib() {
    local from=/usr/$HOST
    install -D -m 644 "$from/lib/libz.a" "$SYSROOT/lib/libz.a"
    install -D -m 644 -t "$SYSROOT/include" "$from/include/zlib.h" "$from/include/zconf.h"
    write_pc zlib "$(sed -n 's/^Version: //p' "$from/lib/pkgconfig/zlib.pc")" "" "-lz" "" ""
}

# liblzma only (no xz tools); its CMake build installs no .pc file.
xz_options=(-DBUILD_TESTING=OFF)
build_xz() {
    local src
    src=$(source_dir xz)
    configure xz "$src" "${xz_options[@]}"
    build_and_install xz liblzma liblzma_Development
    local threads=""
    grep -q 'MYTHREAD_POSIX' "$BUILD/xz/build.ninja" && threads="-lpthread"
    write_pc liblzma "${VERSION[xz]%%-*}" " -DLZMA_API_STATIC" "-llzma" "$threads" ""
}

# libcurl: HTTP(S) and file:// through Schannel, NTLM/Negotiate through SSPI, zlib for
# Content-Encoding. The other protocols and optional libraries are left out.
curl_options=(
    -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DPICKY_COMPILER=OFF
    -DENABLE_UNICODE=ON -DCURL_USE_SCHANNEL=ON -DCURL_WINDOWS_SSPI=ON -DCURL_USE_OPENSSL=OFF
    -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none -DCURL_ZLIB=ON -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF
    -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF
    -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF -DCURL_USE_GSSAPI=OFF -DENABLE_ARES=OFF
    -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON -DCURL_DISABLE_DICT=ON -DCURL_DISABLE_FTP=ON
    -DCURL_DISABLE_GOPHER=ON -DCURL_DISABLE_IMAP=ON -DCURL_DISABLE_MQTT=ON -DCURL_DISABLE_POP3=ON
    -DCURL_DISABLE_RTSP=ON -DCURL_DISABLE_SMB=ON -DCURL_DISABLE_SMTP=ON -DCURL_DISABLE_TELNET=ON
    -DCURL_DISABLE_TFTP=ON
)
build_curl() {
    local src
    src=$(source_dir curl)
    configure curl "$src" "${curl_options[@]}"
    build_and_install curl
    # CMake's libcurl.pc lacks CURL_STATICLIB, names zlib by path and lists the compiler's own
    # libraries as well: keep the system libraries that curl asked for, zlib by name.
    local pc=$SYSROOT/lib/pkgconfig/libcurl.pc implicit winlibs
    implicit='-l(mingw32|gcc|gcc_eh|moldname|mingwex|msvcrt|kernel32|pthread|shell32|user32)'
    winlibs=$(sed -n 's/^Libs.private: //p' "$pc" | tr ' ' '\n' | grep -E '^-l' |
        grep -vxE -- "$implicit" | awk '!seen[$0]++' | tr '\n' ' ')
    write_pc libcurl "$(sed -n 's/^Version: //p' "$pc")" " -DCURL_STATICLIB" "-lcurl" \
        "${winlibs% }" "zlib"
    rm -f "$SYSROOT/bin/curl-config"
}

# libarchive: reading and writing archives in memory, with zlib and liblzma (7z with LZMA, LZMA2
# and BCJ; zip; tar.gz; tar.xz). No crypto, XML, iconv, ACL or xattr support, no bsdtar/bsdcpio.
# Only the static library is built; upstream would build the DLL as well and name the static one
# libarchive_static.a on Windows, so it is installed by hand.
libarchive_options=(
    -DWINDOWS_VERSION=WIN7 -DENABLE_ZLIB=ON -DENABLE_LZMA=ON
    -DLIBLZMA_INCLUDE_DIR="$SYSROOT/include" -DLIBLZMA_LIBRARY="$SYSROOT/lib/liblzma.a"
    -DZLIB_INCLUDE_DIR="$SYSROOT/include" -DZLIB_LIBRARY="$SYSROOT/lib/libz.a"
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF
    -DENABLE_LIBB2=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_ZSTD=OFF -DENABLE_BZip2=OFF
    -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_LIBGCC=OFF
    -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DPOSIX_REGEX_LIB=NONE
    -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_TEST=OFF -DENABLE_INSTALL=OFF
)
build_libarchive() {
    local src
    src=$(source_dir libarchive)
    configure libarchive "$src" "${libarchive_options[@]}"
    cmake --build "$BUILD/libarchive" -j "$JOBS" --target archive_static
    install -D -m 644 "$BUILD/libarchive/libarchive/libarchive_static.a" "$SYSROOT/lib/libarchive.a"
    install -D -m 644 -t "$SYSROOT/include" "$src/libarchive/archive.h" "$src/libarchive/archive_entry.h"
    write_pc libarchive "${VERSION[libarchive]%%-*}" " -DLIBARCHIVE_STATIC" "-larchive" "" \
        "liblzma zlib"
}

jsoncpp_options=(
    -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF -DJSONCPP_WITH_TESTS=OFF
    -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF -DJSONCPP_WITH_EXAMPLE=OFF
)
build_jsoncpp() {
    local src
    src=$(source_dir jsoncpp)
    configure jsoncpp "$src" "${jsoncpp_options[@]}"
    build_and_install jsoncpp
}

pugixml_options=(-DPUGIXML_BUILD_TESTS=OFF)
build_pugixml() {
    local src
    src=$(source_dir pugixml)
    configure pugixml "$src" "${pugixml_options[@]}"
    build_and_install pugixml
}

googletest_options=(-DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_build_tests=OFF)
build_googletest() {
    local src
    src=$(source_dir googletest)
    configure googletest "$src" "${googletest_options[@]}"
    build_and_install googletest
}

# --- stamps ------------------------------------------------------------------------------------

STAMPS=$SYSROOT/.stamps

# What a library's stamp has to say for it to count as built.
expected_stamp() {
    local lib=$1 dep options_var="${1}_options[@]"
    echo "source ${DEBIAN_SOURCE[$lib]:-libz-mingw-w64-dev} ${VERSION[$lib]}"
    echo "compiler $CXX $COMPILER_VERSION"
    echo "options ${!options_var}"
    echo "recipe $({ declare -f "build_$lib"; echo "$COMMON_RECIPE"; } | sha256sum | cut -c1-16)"
    for dep in ${LINKS_AGAINST[$lib]:-}; do
        echo "after $dep $({ sha256sum <"$STAMPS/$dep"; } 2>/dev/null | cut -c1-16)"
    done
}

# Called as a plain command (never as a condition, where bash would ignore set -e inside it), so
# a failing step ends the script; show_failed_log then shows why.
BUILD_LOG=
build_lib() {
    local lib=$1 start=$SECONDS
    log "building $lib ${VERSION[$lib]}"
    rm -f "$STAMPS/$lib"
    BUILD_LOG=$DEPS/logs/$lib.log
    "build_$lib" >"$BUILD_LOG" 2>&1
    BUILD_LOG=
    expected_stamp "$lib" >"$STAMPS/$lib.new"
    mv "$STAMPS/$lib.new" "$STAMPS/$lib"
    rm -rf "${BUILD:?}/$lib"
    log "built $lib in $((SECONDS - start)) s"
}

show_failed_log() {
    local status=$?
    [[ $status -ne 0 && -n $BUILD_LOG ]] || return 0
    tail -n 30 "$BUILD_LOG" >&2
    echo "windows_deps: failed; the whole log is $BUILD_LOG" >&2
}

# --- 32-bit programs ---------------------------------------------------------------------------

# qemu-i386 of bookworm-backports: qemu-user there is statically linked, so its program works
# without installing the package.
setup_qemu() {
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 && return 0
    local dir=$DEPS/qemu uri file
    uri=$(cd "$APT_DIR" && apt-get "${APT_OPTS[@]}" download --print-uris -qq qemu-user) ||
        die "no qemu-user package in the source lists"
    file=$(awk '{print $2}' <<<"$uri")
    if [[ ! -x $dir/qemu-i386 || "$(cat "$dir/.stamp" 2>/dev/null)" != "$file" ]]; then
        log "fetching qemu-i386 (${file})"
        rm -rf "$dir.part"
        mkdir -p "$dir.part"
        (cd "$dir.part" && apt-get "${APT_OPTS[@]}" download -q qemu-user >/dev/null)
        dpkg-deb --fsys-tarfile "$dir.part"/*.deb | tar -x -C "$dir.part" ./usr/bin/qemu-i386
        mv "$dir.part/usr/bin/qemu-i386" "$dir.part/qemu-i386"
        rm -rf "$dir.part/usr" "$dir.part"/*.deb
        echo "$file" >"$dir.part/.stamp"
        rm -rf "$dir"
        mv "$dir.part" "$dir"
    fi
    "${SUDO[@]}" env COLLIVO_WINDOWS_DEPS_DIR="$DEPS" "$ROOT/scripts/wine_run.sh" --enable-i386
}

# --- main --------------------------------------------------------------------------------------

mkdir -p "$DEPS/logs" "$STAMPS"
trap show_failed_log EXIT
exec {lock}>"$DEPS/.lock"
flock "$lock"
install_packages
write_sources
$REFRESH && update_lists
if ! read_versions 2>/dev/null; then
    update_lists
    read_versions
fi
setup_qemu
COMPILER_VERSION="${INSTALLED[g++-mingw-w64-i686-posix]} (mingw-w64 ${INSTALLED[mingw-w64-i686-dev]})"
COMMON_RECIPE=$({ declare -f configure build_and_install write_pc; cat "$TOOLCHAIN"; } | sha256sum)

stamped() { [[ "$(cat "$STAMPS/$1" 2>/dev/null)" == "$(expected_stamp "$1")" ]]; }

# Fetch first: a mirror that has moved on to a newer Debian release no longer has the old
# source, and then the lists are reloaded once.
for lib in "${LIBS[@]}"; do
    stamped "$lib" || fetch_source "$lib" || {
        log "${DEBIAN_SOURCE[$lib]} ${VERSION[$lib]} is gone from the mirror"
        update_lists
        read_versions
        fetch_source "$lib" || die "could not fetch ${DEBIAN_SOURCE[$lib]}, see $DEPS/logs"
    }
done
built=()
for lib in "${LIBS[@]}"; do
    stamped "$lib" && continue
    build_lib "$lib"
    built+=("$lib")
done
summary=()
for lib in "${LIBS[@]}"; do summary+=("$lib ${VERSION[$lib]}"); done
if [[ ${#built[@]} -eq 0 ]]; then
    versions=$(printf '%s, ' "${summary[@]}")
    log "up to date in $SYSROOT: ${versions%, }"
else
    log "built ${built[*]} in $SECONDS s; sysroot $SYSROOT ($(du -sh "$SYSROOT" | cut -f1))"
fi
