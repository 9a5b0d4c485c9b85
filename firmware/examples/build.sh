#!/usr/bin/env bash
# Rebuilds the example firmware with SDCC. The .hex files are committed, so
# tests and the demo never need SDCC; run this only after changing a source.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for source in *.c; do
  name=${source%.c}
  sdcc -mmcs51 -o "$work/" "$source"
  cp "$work/$name.ihx" "$name.hex"
done
