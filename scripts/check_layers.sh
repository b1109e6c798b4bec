#!/usr/bin/env bash
# Fails on an #include "…" that points up the layers of the installer:
#   platform → sys → {toolkit, download, analytics/sdk} → {install, analytics} → ui → app
# A folder may include its own layer's files and anything below it; folders of one layer do
# not include each other. tools/, tests/ and bench/ stand outside and may include anything.
set -euo pipefail
cd "$(dirname "$0")/.."

# The layer of a source folder; empty for a folder outside the layers.
layer_of() {
    case "$1" in
        platform) echo 0 ;;
        sys) echo 1 ;;
        toolkit | download | analytics/sdk) echo 2 ;;
        install | analytics) echo 3 ;;
        ui) echo 4 ;;
        app) echo 5 ;;
        *) echo "" ;;
    esac
}

# The layered folder an included path belongs to ("analytics/sdk/x.h" → analytics/sdk).
folder_of() {
    case "$1" in
        analytics/sdk/*) echo analytics/sdk ;;
        */*) echo "${1%%/*}" ;;
        *) echo "" ;;
    esac
}

failures=0
while IFS= read -r file; do
    [[ -f "$file" ]] || continue
    from=$(folder_of "$file")
    from_layer=$(layer_of "$from")
    [[ -z "$from_layer" ]] && continue
    while IFS=: read -r line path; do
        to=$(folder_of "$path")
        to_layer=$(layer_of "$to")
        [[ -z "$to_layer" || "$to" == "$from" ]] && continue
        if ((to_layer >= from_layer)); then
            echo "$file:$line: includes \"$path\" ($to is not below $from)" >&2
            failures=$((failures + 1))
        fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
        sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
done < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp' '*.c')

if ((failures > 0)); then
    echo "check_layers: $failures include(s) point up or across the layers" >&2
    exit 1
fi
echo "check_layers: every include points down"
