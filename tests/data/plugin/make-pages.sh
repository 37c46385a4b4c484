#!/usr/bin/env bash
# Turns the readable UTF-8 pages in source/ into the EUC-JP pages in pages/ that the tests,
# the fuzz seeds and the substitute board server's authors read. Run after editing a source.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p pages
for src in source/*.html; do
    iconv -f UTF-8 -t EUC-JP "$src" > "pages/$(basename "$src")"
done
