#!/usr/bin/env bash
# Checks that libtbcom.so exports exactly the functions the public header
# declares: nothing missing, nothing else (no C++ symbols leak out).
#   scripts/check-so-exports.sh LIBTBCOM_SO EXPORTS_LIST
set -euo pipefail
so=$1 list=$2
actual=$(nm -D --defined-only "$so" | awk '{print $3}' | sort)
expected=$(sort "$list")
if [ "$actual" != "$expected" ]; then
    echo "export table of $so differs from the header:"
    diff <(echo "$expected") <(echo "$actual") | sed -n 's/^</missing: /p; s/^>/extra:   /p'
    exit 1
fi
echo "$so: $(echo "$actual" | wc -l) exports, as declared"
