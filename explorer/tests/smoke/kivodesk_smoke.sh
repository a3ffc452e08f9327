#!/bin/sh
# Starts the real kivodesk on the offscreen platform with a registry of its own: it must come
# up (its window's creation opens the settings key) and keep running until it is ended.
set -u
program=$1
dir=$(mktemp -d)
KIVO_REGISTRY_DIR=$dir QT_QPA_PLATFORM=offscreen "$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
up=no
for _ in $(seq 1 300); do
  if [ -n "$(ls -A "$dir")" ]; then up=yes; break; fi
  kill -0 "$pid" 2>/dev/null || { echo "kivodesk ended before its window was made"; exit 1; }
  sleep 0.1
done
[ "$up" = yes ] || { echo "kivodesk did not make its window within 30 s"; exit 1; }
sleep 1
kill -0 "$pid" 2>/dev/null || { echo "kivodesk did not keep running"; exit 1; }
echo "kivodesk came up and kept running"
