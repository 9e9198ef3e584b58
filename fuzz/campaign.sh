#!/usr/bin/env bash
# A long fuzz campaign: every libFuzzer target built in BUILD_DIR runs for SECONDS, two at a
# time (two cores), starting from the committed corpus; what it finds that adds coverage is
# merged back into fuzz/corpus/<target>/ (minimized, -merge=1). Prints executions and
# coverage per target; exits non-zero on any crash, leak, timeout or out-of-memory, whose
# inputs are kept in BUILD_DIR/fuzz/artifacts/<target>/.
#   fuzz/campaign.sh SECONDS [BUILD_DIR]      (BUILD_DIR defaults to build-fuzz)
set -uo pipefail
seconds=${1:?usage: fuzz/campaign.sh SECONDS [BUILD_DIR]}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build-fuzz}" && pwd)
shopt -s nullglob
targets=()
for bin in "$build"/fuzz/fuzz_*; do [ -x "$bin" ] && targets+=("$(basename "$bin")"); done
[ ${#targets[@]} -gt 0 ] || { echo "campaign: no fuzz targets in $build/fuzz (a clang build?)" >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_one() {
  local bin=$1 name=${1#fuzz_}
  local corpus=$here/corpus/$name new=$scratch/$name.new artifacts=$build/fuzz/artifacts/$name
  mkdir -p "$corpus" "$new" "$artifacts"
  local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="$artifacts/")
  [ -f "$here/corpus/$name.dict" ] && args+=(-dict="$here/corpus/$name.dict")
  if "$build/fuzz/$bin" "${args[@]}" "$new" "$corpus" > "$scratch/$name.log" 2>&1; then
    # Keep only what adds coverage to the committed corpus.
    "$build/fuzz/$bin" -merge=1 "$corpus" "$new" > "$scratch/$name.merge" 2>&1
    local execs cov
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$name.log" | tail -n 1)
    cov=$(grep -oE 'cov: [0-9]+' "$scratch/$name.log" | tail -n 1)
    printf '%-18s %12s executions  %s  corpus %s files\n' "$name" "${execs:-?}" "${cov:-cov: ?}" \
      "$(ls "$corpus" | wc -l)"
  else
    tail -n 40 "$scratch/$name.log" >&2
    echo "campaign: $name FAILED (inputs in $artifacts)" >&2
    touch "$scratch/failed.$name"
  fi
}

i=0
for bin in "${targets[@]}"; do
  run_one "$bin" &
  i=$((i + 1))
  if [ $((i % 2)) -eq 0 ]; then wait; fi
done
wait
failed=("$scratch"/failed.*)
if [ ${#failed[@]} -ne 0 ]; then
  echo "campaign: ${#failed[@]} target(s) failed" >&2
  exit 1
fi
echo "campaign: ${#targets[@]} target(s), ${seconds}s each, no finding; corpus $(du -sh "$here/corpus" | cut -f1)"
