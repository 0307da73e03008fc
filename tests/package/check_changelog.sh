#!/bin/sh
# check_changelog.sh - the newest entry of CHANGELOG.md is the version the build carries.
# Usage: check_changelog.sh CHANGELOG VERSION
set -eu
newest=$(sed -n 's/^## \[\{0,1\}\([0-9][0-9.]*\)\]\{0,1\}.*/\1/p' "$1" | head -n 1)
if [ "$newest" != "$2" ]; then
    echo "FAIL: CHANGELOG.md starts with '$newest', the project is $2" >&2
    exit 1
fi
echo "changelog ok: $newest"
