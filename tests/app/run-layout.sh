#!/usr/bin/env bash
# The program as scripts/run lays it out (scripts/lay-out-run), started without a display: its
# command-line export must take the journal from the user's data folder, since the program's
# own folder is read-only.
#
#   tests/app/run-layout.sh LAY-OUT-RUN BUILD SCRATCH
set -euo pipefail
lay_out=$1 build=$2 scratch=$3
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

[ -d "$scratch" ] && chmod -R u+w "$scratch"
rm -rf "$scratch"
mkdir -p "$scratch/home"
program=$("$lay_out" "$build" "$scratch/run")
[ -x "$program" ] || fail "scripts/lay-out-run laid out no program: $program"

data=$scratch/home/.local/share/eklz-journal
mkdir -p "$data"
printf 'Альфа;ЭКР 2102К;17;0012345;001;15.01.2025;;Иванов;\r\n' | iconv -f UTF-8 -t CP1251 \
    >"$data/thisyear.csv"
# A journal named, and the current one of the journal folder (no journal named).
for out in "$scratch/named.xlsx" "$scratch/current.ods"; do
    journal=()
    [ "${out##*.}" = xlsx ] && journal=("$data/thisyear.csv")
    errors=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" \
        XDG_CONFIG_HOME="$scratch/home/.config" XDG_DATA_HOME="$scratch/home/.local/share" \
        ASAN_OPTIONS=detect_leaks=0 timeout 60 "$program" --export "$out" "${journal[@]}" 2>&1) ||
        fail "the export to $out failed: $errors"
    [ "$(head -c 2 "$out")" = PK ] || fail "the export wrote no spreadsheet $out"
done
# Nothing was written beside the program.
[ "$(ls -A "$(dirname "$program")")" = eklz-journal ] ||
    fail "the program wrote into its own folder"
chmod -R u+w "$scratch"
rm -rf "$scratch"
echo "run layout: ok"
