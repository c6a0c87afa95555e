#!/usr/bin/env bash
# Saves PNG pictures of the main window (each tab) and of each dialog, in English
# and Chinese, under a virtual X display: ./scripts/screenshots.sh [OUTPUT_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
corvane_install_missing xvfb xauth fonts-wqy-microhei
corvane_build build
out=${1:-screenshots}
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/corvane-screenshots "$out"
