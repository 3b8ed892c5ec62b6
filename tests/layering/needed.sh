#!/usr/bin/env bash
# needed.sh PROGRAM MODULE: the program does not link the spreadsheet libraries, which only the
# exchange module links, and the module exports its entry alone.
set -euo pipefail
program=$1 module=$2

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

needed() {
    readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p'
}

spreadsheet='^(libxlsxwriter|libzip|liborcus|liborcus-parser|libcrypto|libboost_|libbz2|libminizip)'
# The module links them: otherwise the names looked for here are not those linked.
for library in libxlsxwriter libzip liborcus-0 liborcus-parser; do
    needed "$module" | grep -q "^$library" || fail "the module does not link $library"
done
if found=$(needed "$program" | grep -E "$spreadsheet"); then
    fail "the program links $(echo $found)"
fi
# Nor do they come in through another library the program links.
if found=$(ldd "$program" | awk '{print $1}' | grep -E "$spreadsheet"); then
    fail "the program loads $(echo $found) at start"
fi
exported=$(nm -D --defined-only "$module" | awk '$2 ~ /^[TWDBVu]$/ {print $3}' |
    grep -vE '^(__bss_start|_edata|_end|_init|_fini)$' || true)
[ "$exported" = eklz_exchange_operations ] ||
    fail "the module exports more than its entry: $(echo $exported | head -c 400)"
echo "needed: ok"
