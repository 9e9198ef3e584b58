#!/usr/bin/env bash
# Turns the programs' own --help texts into man pages with help2man, so the pages say what
# the programs say. zarvo-r5-cli's page gets every command's --help as well.
#   make-man.sh CLI GUI SOURCE_DIR OUT_DIR
set -euo pipefail
cli=$1 gui=$2 src=$3 out=$4
mkdir -p "$out"
inc=$out/zarvo-r5-cli.commands.h2m
{
  echo "[COMMANDS]"
  for cmd in $("$cli" --help | awk '/^Commands:/ {on = 1; next} on && /^  [a-z]/ {print $1} on && /^$/ {on = 0}'); do
    echo ".SS \"$cmd\""
    echo ".nf"
    # Lines that start with a dot or a quote would be roff requests.
    "$cli" "$cmd" --help | sed -e 's/\\/\\e/g' -e 's/^\([.'"'"']\)/\\\&\1/'
    echo ".fi"
    # What the options do, where the command's own --help only lists them.
    if [ -f "$src/man/commands/$cmd.man" ]; then cat "$src/man/commands/$cmd.man"; fi
  done
  cat "$src/man/zarvo-r5-cli.h2m"
} > "$inc"
help2man --no-info --section=1 --name="drive ZARVO R5 ROM emulator units from a terminal" \
  --include="$inc" --output="$out/zarvo-r5-cli.1" "$cli"
help2man --no-info --section=1 --name="desktop program for ZARVO R5 ROM emulator units" \
  --include="$src/man/zarvo-r5.h2m" --output="$out/zarvo-r5.1" "$gui"
