#!/bin/sh
# The authors' reference stays in step with the schema: every key constant of the setup
# script's schema is in the reference (which takes its defaults from those constants), and
# the committed document is what `disctool keys` prints now.
#   key_reference_test.sh SOURCE_DIR DISCTOOL
set -eu
src=$1 tool=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
# The script's keys: the schema's constants before its install-record part.
keys=$(sed -n '/^namespace script {/,/^}  \/\/ namespace script/p' "$src/src/script/schema.h" |
  sed -n 's/^inline constexpr \(TextKey\|IntKey\) \(k[A-Za-z0-9]*\).*/\2/p')
[ -n "$keys" ] || fail "no key constants found in schema.h"
for k in $keys; do
  grep -q "\\b$k\\b" "$src/src/script/key_reference.cpp" ||
    fail "$k of schema.h is not in the reference (src/script/key_reference.cpp)"
done
"$tool" keys | diff -u "$src/docs/script-keys.md" - >&2 ||
  fail "docs/script-keys.md is not what 'disctool keys' prints: run disctool keys > docs/script-keys.md"
echo "the reference names $(echo "$keys" | wc -l) key constants and matches docs/script-keys.md"
