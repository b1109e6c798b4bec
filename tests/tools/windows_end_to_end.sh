#!/usr/bin/env bash
# The Windows stages end to end, under Wine against the Linux servers on loopback:
#   1. stage-cli.exe install: downloads the Windows demo package from package-server, checks
#      its digest, runs it and writes the records (registry, set.ini); the product then runs;
#   2. the same again: the upgrade runs the old uninstaller first, then installs anew;
#   3. stage-cli.exe send-test-events: 31 records reach collect-server in two uploads.
# Usage: windows_end_to_end.sh WINE_RUN PREFIX STAGE_CLI_EXE DEMO_PACKAGE LINUX_TOOLS
set -euo pipefail
WINE_RUN=$1 PREFIX=$2 STAGE_CLI=$3 PACKAGE=$4 TOOLS=$5

SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/collivo-e2e-café.XXXXXX")
PIDS=()
cleanup() {
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$SCRATCH"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
# Wine takes the ANSI code page from the locale: C.UTF-8 gives a Western Windows (1252), whose
# page holds the "é" of the scratch folder's name, which the package reports on its console in
# that page. (A Chinese page would need a Chinese glibc locale for Wine's file names.)
wine() { LC_ALL=C.UTF-8 "$WINE_RUN" --prefix "$PREFIX" "$@"; }

# Starts a server whose first output line holds its address; sets LINE.
start_server() {
    local out=$SCRATCH/server-$#-$RANDOM
    "$@" >"$out" 2>"$out.err" &
    PIDS+=($!)
    for _ in $(seq 100); do
        LINE=$(head -n1 "$out" 2>/dev/null || true)
        [[ -n $LINE ]] && return 0
        sleep 0.1
    done
    fail "server did not start: $* ($(cat "$out.err"))"
}

start_server "$TOOLS/package-server/package-server" --package "$PACKAGE"
URL=http://127.0.0.1:$LINE/software/353
# The folder as Windows names it: drive Z: is the Linux root under Wine.
DIR="Z:${SCRATCH//\//\\}\\my apps\\Collivo"

# A notification line of `code`, or a failure naming the output.
expect_code() { grep -q "^$1"$'\t' <<<"$2" || fail "no notification $1 in: $2"; }
refuse_code() { ! grep -q "^$1"$'\t' <<<"$2" || fail "notification $1 in: $2"; }

echo "== install"
OUT=$(wine "$STAGE_CLI" install --dir "$DIR" --url "$URL" | tr -d '\r') || fail "install exited $?: $OUT"
echo "$OUT"
expect_code 2003 "$OUT"   # installation finished
refuse_code 5002 "$OUT"
INSTALLED=$SCRATCH/my\ apps/Collivo
[[ -f $INSTALLED/Collivo.exe && -f $INSTALLED/uninst.ep ]] || fail "product files missing in $INSTALLED"
# The system's profile functions write the files they create in UTF-16.
iconv -f UTF-16 -t UTF-8 "$INSTALLED/set.ini" | grep -q "AppName=Collivo" || fail "set.ini without AppName"
# The installed product runs (and leaves its marker, which the upgrade's uninstaller removes).
wine "$INSTALLED/Collivo.exe" || fail "the installed product did not run"
[[ -f $INSTALLED/Collivo.run ]] || fail "the product left no run marker"
REG=$(wine reg query 'HKCU\Software\OrvaneSoft\Collivo' /v UnInstallEp 2>/dev/null | tr -d '\r' || true)
grep -qi "my apps\\\\Collivo\\\\uninst.ep" <<<"$REG" || fail "registry record missing: $REG"

echo "== upgrade"
OUT=$(wine "$STAGE_CLI" install --dir "$DIR" --url "$URL" | tr -d '\r') || fail "upgrade exited $?: $OUT"
echo "$OUT"
refuse_code 1006 "$OUT"
expect_code 5003 "$OUT"   # the old uninstaller ran
UNINSTALLED=$(grep -n "^5003"$'\t' <<<"$OUT" | head -n1 | cut -d: -f1)
DOWNLOADED=$(grep -n "^1001"$'\t' <<<"$OUT" | head -n1 | cut -d: -f1)
[[ -n $DOWNLOADED && $UNINSTALLED -lt $DOWNLOADED ]] || fail "the uninstaller did not run before the download"
expect_code 2003 "$OUT"
[[ -f $INSTALLED/Collivo.exe ]] || fail "product missing after the upgrade"
[[ ! -f $INSTALLED/Collivo.run ]] || fail "the old uninstaller left the product's run marker"

echo "== send-test-events"
start_server "$TOOLS/collect-server/collect-server" --db "$SCRATCH/records.db"
COLLECT_URL=${LINE#listening on }
OUT=$(wine "$STAGE_CLI" send-test-events --url "$COLLECT_URL" --count 31 | tr -d '\r') ||
    fail "send-test-events exited $?: $OUT"
echo "$OUT"
[[ $OUT == *"all records accepted"* ]] || fail "records not accepted: $OUT"
STORED=$("$TOOLS/collect-server/collect-server" list --db "$SCRATCH/records.db" | grep -c StageCliTestEvent)
[[ $STORED -eq 31 ]] || fail "the collection server stored $STORED records, not 31"
echo "end to end: passed"
