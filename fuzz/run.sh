#!/usr/bin/env bash
# Runs every libFuzzer target built in BUILD_DIR for SECONDS each.
#   fuzz/run.sh BUILD_DIR SECONDS
# Seeds come from fuzz/corpus/<name>/ (and a dictionary from fuzz/corpus/<name>.dict) when
# present; they are copied to a scratch directory so new inputs never land in the repository.
# Crash inputs are kept in BUILD_DIR/fuzz/artifacts/<name>/. Exits non-zero when any target
# finds a crash, a leak, undefined behaviour or a hang.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)

shopt -s nullglob
targets=()
for bin in "$build"/fuzz/fuzz_*; do
  [ -f "$bin" ] && [ -x "$bin" ] && targets+=("$bin")
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets built in $build/fuzz (is it a clang build?)" >&2
  exit 0
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for bin in "${targets[@]}"; do
  name=$(basename "$bin")
  name=${name#fuzz_}
  corpus=$scratch/$name
  mkdir -p "$corpus"
  if [ -d "$here/corpus/$name" ]; then
    cp -R "$here/corpus/$name/." "$corpus/"
  fi
  artifacts=$build/fuzz/artifacts/$name
  mkdir -p "$artifacts"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts/")
  if [ -f "$here/corpus/$name.dict" ]; then
    args+=(-dict="$here/corpus/$name.dict")
  fi
  echo "== fuzz $name for ${seconds}s"
  if ! "$bin" "${args[@]}" "$corpus" >"$scratch/$name.log" 2>&1; then
    tail -n 60 "$scratch/$name.log" >&2
    echo "fuzz $name: FAILED (inputs in $artifacts)" >&2
    failed+=("$name")
  else
    grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units)' "$scratch/$name.log" | tail -n 1
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: ${#failed[@]} target(s) failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} target(s) ran clean"
