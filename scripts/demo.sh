#!/usr/bin/env bash
# The main job: installs what is missing, builds the library, the host tool and
# the address-book stand-ins, then runs the demo on the embedded sample
# profile (scripts/demo.py) under wine64 in a fresh Wine prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target CONFIG corvane-config mapi32_double wab_double >/dev/null
exec python3 scripts/demo.py
