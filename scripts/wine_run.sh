#!/usr/bin/env bash
# Runs a Windows program under Wine and exits with the program's exit code. The Windows build
# (cmake/toolchains/mingw-i686.cmake) uses it as its CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs
# the test programs through it.
#
# Usage: scripts/wine_run.sh [--prefix DIR] PROGRAM.exe [ARGS...]
#        scripts/wine_run.sh --enable-i386       (as root; scripts/windows_deps.sh calls it)
#
# The Wine prefix is a private one: DIR (the toolchain passes <build folder>/wine-prefix), else
# $COLLIVO_WINEPREFIX, else build/wine-prefix of this checkout; ~/.wine is never touched. The
# first run creates it (wineboot: 15-35 s, 600 MB), holding a lock so that parallel test
# runs wait for it instead of racing; a prefix whose creation was cut short is made again. Wine
# runs with its debug channels off and without asking to install Mono or Gecko.
#
# Wine's 32-bit half is a 32-bit Linux program. Where the kernel does not run 32-bit x86 code
# (IA-32 emulation switched off, as on this project's machines), it runs on qemu-i386, a CPU
# emulator that scripts/windows_deps.sh unpacks into build/windows-deps/qemu and that
# --enable-i386 registers with binfmt_misc for 32-bit ELF files. That registration is lost at
# reboot; a run as root registers it again by itself. Under emulation a program starts in about
# 0.3 s (2-3 s when no Wine process of the prefix is running) and runs several times slower.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QEMU=${COLLIVO_WINDOWS_DEPS_DIR:-$ROOT/build/windows-deps}/qemu/qemu-i386
BINFMT=/proc/sys/fs/binfmt_misc
# 32-bit little-endian x86 ELF executables and shared objects (the usual qemu-user pattern).
ELF_I386_MAGIC='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
ELF_I386_MASK='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

die() { echo "wine_run.sh: $*" >&2; exit 125; }

i386_runs() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# Lets the kernel hand 32-bit x86 programs to qemu-i386. "F" opens the emulator now, so the
# registration keeps working even if the build folder goes away.
enable_i386() {
    i386_runs && return 0
    [[ -x $QEMU ]] || die "32-bit programs cannot run here and $QEMU is missing: run scripts/windows_deps.sh"
    [[ $(id -u) -eq 0 ]] || die "32-bit programs cannot run here; as root: $0 --enable-i386"
    [[ -e $BINFMT/register ]] || mount -t binfmt_misc binfmt_misc "$BINFMT"
    [[ -e $BINFMT/collivo-i386 ]] && echo -1 >"$BINFMT/collivo-i386"
    printf '%s' ":collivo-i386:M::$ELF_I386_MAGIC:$ELF_I386_MASK:$QEMU:F" >"$BINFMT/register"
    i386_runs || die "registered $QEMU for 32-bit programs, but they still do not run"
}

# Creates the prefix once; the marker file is written only when wineboot has finished.
init_prefix() {
    local marker=$WINEPREFIX/.collivo-ready lock
    [[ -f $marker ]] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec {lock}>"$WINEPREFIX.lock"
    flock "$lock"
    if [[ ! -f $marker ]]; then
        if [[ -d $WINEPREFIX && -n $(ls -A "$WINEPREFIX") ]]; then
            [[ -e $WINEPREFIX/system.reg || -d $WINEPREFIX/drive_c ]] ||
                die "$WINEPREFIX is not empty and not a Wine prefix; not touching it"
            rm -rf "$WINEPREFIX"
        fi
        echo "wine_run.sh: creating the Wine prefix $WINEPREFIX (once)" >&2
        if ! { wineboot -i && wineserver -w; } >"$WINEPREFIX.log" 2>&1 {lock}>&-; then
            die "wineboot failed, see $WINEPREFIX.log"
        fi
        touch "$marker"
    fi
    exec {lock}>&-
}

prefix=${COLLIVO_WINEPREFIX:-$ROOT/build/wine-prefix}
case ${1:-} in
    --enable-i386) enable_i386; exit 0 ;;
    --prefix) [[ $# -ge 2 ]] || die "--prefix needs a folder"; prefix=$2; shift 2 ;;
esac
[[ $# -ge 1 ]] || { echo "usage: $0 [--prefix DIR] PROGRAM.exe [ARGS...]" >&2; exit 125; }
command -v wine >/dev/null || die "wine is not installed: run scripts/windows_deps.sh"

i386_runs || enable_i386
[[ $prefix == /* ]] || prefix=$PWD/$prefix
export WINEPREFIX=$prefix WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
unset DISPLAY WAYLAND_DISPLAY
init_prefix
# Keep the prefix's wineserver a while after the last program ends: starting it again and the
# Wine services with it costs seconds under emulation. Its output must not hold ctest's pipes.
wineserver -p"${COLLIVO_WINE_LINGER:-30}" </dev/null >/dev/null 2>&1 || true
[[ -t 1 && -t 2 ]] && exec wine "$@"

# Output goes to a pipe (ctest, $(...), | grep): relay it. The Wine services that a program
# happens to start (services.exe, explorer.exe, ...) inherit its stdout and stderr and outlive
# it by half a minute; handed the caller's pipe directly, they would keep the caller waiting for
# the end of the output that long. The relays are stopped once the program has ended and its
# last output has been passed on.
exec 3>&1 4>&2
exec 5> >(exec cat >&3 3>&- 4>&-)
out_relay=$!
exec 6> >(exec cat >&4 3>&- 4>&- 5>&-)
err_relay=$!
status=0
wine "$@" >&5 2>&6 3>&- 4>&- 5>&- 6>&- || status=$?
exec 5>&- 6>&-
for _ in $(seq 40); do
    kill -0 "$out_relay" 2>/dev/null || kill -0 "$err_relay" 2>/dev/null || break
    sleep 0.05
done
kill "$out_relay" "$err_relay" 2>/dev/null || true
exit "$status"
