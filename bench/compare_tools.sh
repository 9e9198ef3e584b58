#!/usr/bin/env bash
# Converts the same HEX files to a binary image with zarvo-r5-cli image, srec_cat and
# objcopy, timed by hyperfine (several runs after warm-up), and prints each tool's median and
# its ratio to zarvo-r5-cli. Usage: bench/compare_tools.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-10}
cli=$build/src/cli/zarvo-r5-cli
for tool in hyperfine srec_cat objcopy python3; do
  command -v "$tool" >/dev/null || { echo "compare_tools: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "compare_tools: build $cli first" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A 1 MiB image of seeded random bytes, as Intel HEX (16-byte records) and as S37.
python3 -c "import random; random.seed(1); open('$work/image.bin','wb').write(bytes(random.getrandbits(8) for _ in range(1<<20)))"
srec_cat "$work/image.bin" -binary -o "$work/image.hex" -intel -obs=16
srec_cat "$work/image.bin" -binary -o "$work/image.s37" -motorola -address-length=4 -obs=16

compare() {  # name, file, objcopy input target
  local name=$1 file=$2 target=$3
  echo "== $name ($(stat -c %s "$file") bytes)"
  # -N: no shell in between, whose start-up would be timed with each tool.
  hyperfine -N --runs "$runs" --warmup 3 --export-json "$work/$name.json" --style basic \
    -n zarvo-r5-cli "$cli image $file -o $work/z.img --ic /080" \
    -n srec_cat "srec_cat $file -$name -o $work/s.img -binary" \
    -n objcopy "objcopy -I $target -O binary $file $work/o.img" >/dev/null
  cmp -s "$work/z.img" "$work/image.bin" || { echo "zarvo-r5-cli image differs from the source binary" >&2; exit 1; }
  python3 - "$work/$name.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
base = next(r["median"] for r in results if r["command"] == "zarvo-r5-cli")
for r in results:
    print(f'  {r["command"]:<14} median {r["median"] * 1000:8.2f} ms   x{r["median"] / base:5.2f} of zarvo-r5-cli')
PY
}
compare intel "$work/image.hex" ihex
compare motorola "$work/image.s37" srec
