#!/usr/bin/env bash
# Incremental rebuild of the editable install (after one `pip install -e .`).
# Serialised with a lock so that several shells can call it.
set -euo pipefail
cd "$(dirname "$0")/.."
exec 9>/tmp/pyrandel-build.lock
flock 9
if [ ! -f build/build.ninja ]; then
    pip install --no-build-isolation -e . -Cbuild-dir=build -q
    exit 0
fi
site=$(python3 -c 'import sysconfig; print(sysconfig.get_paths()["platlib"])')
cmake --build build -j2 2>&1 | grep -E "error|warning: unused|Error" -A3 || true
cmake --build build -j2 >/dev/null
cmake --install build --prefix "$site" >/dev/null
