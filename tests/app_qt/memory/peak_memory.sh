#!/bin/sh
# A long session costs no more memory than a short one: the peak memory (resident set, as
# /usr/bin/time reports it) of a script of 10,000 random actions stays within 10% of that of a
# script of 1,000, for the program on the window system. Apart from the undo history: every step
# stays one undo away (and in a saved session), so the history grows with the steps by design.
# The program on the headless backend is a fifth of the size, and there the history's own growth
# passes 10% alone; its check allows the history at most 512 bytes a step kept (it takes about
# 380), which the scripts' last lines count, and holds everything else to 10%.
#   peak_memory.sh GENERATOR PROGRAM HEADLESS_PROGRAM
set -eu
generator=$1
program=$2
headless=$3
[ -x /usr/bin/time ] || { echo "peak_memory: /usr/bin/time is missing (Debian package time)"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$generator" 1000 7 > "$dir/short.txt"
"$generator" 10000 7 > "$dir/long.txt"
steps() { sed -n 's/^# steps kept: //p' "$1"; }
history=$(( ($(steps "$dir/long.txt") - $(steps "$dir/short.txt")) * 512 / 1024 ))  # KB
peak() {
  /usr/bin/time -f %M -o "$dir/peak" "$1" --script "$2" > /dev/null 2> "$dir/err" ||
    { echo "peak_memory: $1 --script $2 failed:" >&2; cat "$dir/err" >&2; exit 1; }
  cat "$dir/peak"
}
status=0
for p in "$program" "$headless"; do
  short=$(peak "$p" "$dir/short.txt")
  long=$(peak "$p" "$dir/long.txt")
  allowed=$(( short * 11 / 10 ))
  [ "$p" = "$headless" ] && allowed=$(( allowed + history ))
  echo "$(basename "$p"): 1,000 actions ${short} KB, 10,000 actions ${long} KB" \
       "($(( (long - short) * 100 / short ))% more; at most ${allowed} KB allowed)"
  [ "$long" -le "$allowed" ] || status=1
done
exit $status
