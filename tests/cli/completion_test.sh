#!/usr/bin/env bash
# The bash completion of zarvo-r5-cli offers what each place takes: option names, the values
# of options with a fixed list, file names where a file goes and nothing after a number.
#   completion_test.sh COMPLETION_FILE
# bash-completion's own helpers are stood in for: _filedir answers "<files>".
set -u
_init_completion() {
  words=("${COMP_WORDS[@]}")
  cword=$COMP_CWORD
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]:-}
}
_filedir() { COMPREPLY=("<files>"); }
complete() { :; }
# shellcheck source=/dev/null
source "$1"

failures=0
expect() {  # expect "WORDS..." "EXPECTED REPLY"
  read -r -a COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zarvo_r5_cli
  local got="${COMPREPLY[*]}"
  if [[ $got != "$2" ]]; then
    echo "FAIL: '$1' offered '$got', expected '$2'"
    failures=$((failures + 1))
  fi
}

expect "zarvo-r5-cli image --out" "--output"
expect "zarvo-r5-cli image --output " "<files>"
expect "zarvo-r5-cli image -o " "<files>"
expect "zarvo-r5-cli reset --delay " ""
expect "zarvo-r5-cli reset --de" "--delay"
expect "zarvo-r5-cli reset --polarity " "high low"
expect "zarvo-r5-cli image x.hex --length " ""
expect "zarvo-r5-cli image x.hex --fill " ""
expect "zarvo-r5-cli run --work " "<files>"
expect "zarvo-r5-cli run " "<files>"
expect "zarvo-r5-cli blink " "1 2 3 4"
expect "zarvo-r5-cli image x.hex --format i" "intel"
exit $((failures > 0))
