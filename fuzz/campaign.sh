#!/usr/bin/env bash
# A long fuzz campaign: every libFuzzer target built in BUILD_DIR runs, two at a time (two
# cores), starting from the committed corpus; what it finds that adds coverage is merged back
# into fuzz/corpus/<target>/ (minimized, -merge=1). Prints executions, coverage and time per
# target; exits non-zero on any crash, leak, timeout or out-of-memory, whose inputs are kept
# in BUILD_DIR/fuzz/artifacts/<target>/.
#   fuzz/campaign.sh SECONDS [BUILD_DIR [TARGET...]]     each target for SECONDS
#   fuzz/campaign.sh --runs N [BUILD_DIR [TARGET...]]    each target until it has run N inputs
# BUILD_DIR defaults to build-fuzz; without TARGET names every target built there runs. The
# slowest targets start first, so the two cores stay busy until the end.
set -uo pipefail
usage="usage: fuzz/campaign.sh SECONDS|--runs N [BUILD_DIR [TARGET...]]"
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="${2:?$usage}")
  what="${2} runs"
  shift 2
else
  limit=(-max_total_time="${1:?$usage}")
  what="${1}s"
  shift
fi
build=$(cd "${1:-$here/../build-fuzz}" && pwd) || { echo "$usage" >&2; exit 2; }
shift $(($# > 0 ? 1 : 0))
chosen=" $* "

shopt -s nullglob
# Slowest first (they read and write files per input); the rest in name order.
targets=()
wanted() { [ "$chosen" = "  " ] || [[ "$chosen" == *" $1 "* ]]; }
for name in profile language dispatch detect; do
  [ -x "$build/fuzz/fuzz_$name" ] && wanted "$name" && targets+=("$name")
done
for bin in "$build"/fuzz/fuzz_*; do
  name=${bin##*/fuzz_}
  [ -x "$bin" ] && wanted "$name" && [[ " ${targets[*]} " != *" $name "* ]] && targets+=("$name")
done
[ ${#targets[@]} -gt 0 ] || { echo "campaign: no fuzz targets in $build/fuzz (a clang build?)" >&2; exit 2; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_one() {
  local name=$1
  local bin=$build/fuzz/fuzz_$name corpus=$here/corpus/$name new=$scratch/$name.new
  local artifacts=$build/fuzz/artifacts/$name
  mkdir -p "$corpus" "$new" "$artifacts"
  local args=("${limit[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
              -artifact_prefix="$artifacts/")
  [ -f "$here/corpus/$name.dict" ] && args+=(-dict="$here/corpus/$name.dict")
  local start=$SECONDS
  if "$bin" "${args[@]}" "$new" "$corpus" > "$scratch/$name.log" 2>&1; then
    # Keep only what adds coverage to the committed corpus.
    "$bin" -merge=1 "$corpus" "$new" > "$scratch/$name.merge" 2>&1
    local execs cov
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$scratch/$name.log" | tail -n 1)
    cov=$(grep -oE 'cov: [0-9]+' "$scratch/$name.log" | tail -n 1)
    printf '%-18s %12s executions  %s  %6ss  corpus %s files\n' "$name" "${execs:-?}" "${cov:-cov: ?}" \
      "$((SECONDS - start))" "$(ls "$corpus" | wc -l)"
  else
    tail -n 40 "$scratch/$name.log" >&2
    echo "campaign: $name FAILED (inputs in $artifacts)" >&2
    touch "$scratch/failed.$name"
  fi
}

# Two workers take the targets in turn from a shared queue.
printf '%s\n' "${targets[@]}" > "$scratch/queue"
worker() {
  local name
  while true; do
    name=$(flock "$scratch/queue" sh -c 'head -n 1 "$1" && sed -i 1d "$1"' _ "$scratch/queue")
    [ -n "$name" ] || return 0
    run_one "$name"
  done
}
worker &
worker &
wait
failed=("$scratch"/failed.*)
if [ ${#failed[@]} -ne 0 ]; then
  echo "campaign: ${#failed[@]} target(s) failed" >&2
  exit 1
fi
echo "campaign: ${#targets[@]} target(s), $what each, no finding; corpus $(du -sh --apparent-size "$here/corpus" | cut -f1)"
