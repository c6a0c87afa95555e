#!/usr/bin/env bash
# Saves PNG pictures of the main window (each tab) and of each dialog under a virtual X
# display:
#   ./scripts/screenshots.sh [OUTPUT_DIR]   English and Chinese, in screenshots/ by default
#   ./scripts/screenshots.sh --manual       renews the user manual's pictures (docs/images)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
corvane_install_missing xvfb xauth fonts-wqy-microhei
corvane_build build
if [ "${1:-}" = --manual ]; then
  set -- docs/images lang_en
else
  set -- "${1:-screenshots}" lang_en lang_cn
fi
mkdir -p "$1"
xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/corvane-screenshots "$@"
