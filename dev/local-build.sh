#!/usr/bin/env bash
# Builds the extension into this checkout's build-local/ and places it beside the
# package sources, so several checkouts can build and test side by side:
#   dev/local-build.sh && PYTHONPATH=src python -m pytest tests -q
set -euo pipefail
cd "$(dirname "$0")/.."
# Serialised: two shells of one checkout may build at once.
exec 9>build-local.lock
flock 9
if [ ! -f build-local/build.ninja ]; then
    cmake -S . -B build-local -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DPython_EXECUTABLE="$(command -v python3)" >/dev/null
fi
cmake --build build-local -j2 2>&1 | grep -E "error|warning" -A3 || true
cmake --build build-local -j2 >/dev/null
cp build-local/_pyrandel*.so src/pyrandel/lib/
