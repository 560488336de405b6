#!/usr/bin/env bash
# Builds and starts the widget. The window is not built yet: this says so.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
echo "The Velvane widget is not built yet: only its foundation (text, patterns, parsing) exists."
echo "Run tools/test.sh to build and test what there is."
