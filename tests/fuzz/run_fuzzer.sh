#!/usr/bin/env bash
# Runs one fuzz target for a bounded time from a seed it makes itself.
#   run_fuzzer.sh FUZZER SEED_MAKER|- SECONDS   ("-": a small settings-file seed)
set -euo pipefail
fuzzer=$1 seed_maker=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
if [ "$seed_maker" = "-" ]; then
  printf '[Style]\nSkin=Vintage-Skin\n' >"$work/corpus/seed"
else
  "$seed_maker" "$work/corpus/seed"
fi
"$fuzzer" -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=1024 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work/corpus" 2>&1 | tail -15
