#!/bin/sh
# install_test.sh - `pip install ./python` works offline into a fresh virtual
# environment made with Debian's python3-venv, and the package it installs
# finds the library through KVN_LIBRARY and carries the project's version.
# Usage: install_test.sh SOURCE_DIR WORK_DIR LIBRARY VERSION
set -eu
source_dir=$1 work=$2 library=$3 version=$4
rm -rf "$work" && mkdir -p "$work"
# pip builds in the source folder it is given: build from a copy, not the checkout.
cp -R "$source_dir/python" "$work/python"
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
env -u PIP_FIND_LINKS PIP_NO_INDEX=1 PIP_DISABLE_PIP_VERSION_CHECK=1 \
    "$work/venv/bin/pip" install --no-build-isolation --quiet "$work/python"
cd "$work"  # away from the sources, so only the installed copy can be imported
KVN_LIBRARY=$library "$work/venv/bin/python" -c '
import sys, kvn
kvn.load_library()
assert kvn.__file__.startswith(sys.prefix), kvn.__file__
assert kvn.__version__ == sys.argv[1], (kvn.__version__, sys.argv[1])
print("kvn", kvn.__version__, "installed in", sys.prefix)
' "$version"
