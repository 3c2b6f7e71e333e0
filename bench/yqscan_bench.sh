#!/bin/sh
# yqscan as a whole process against find over the same generated tree (10,000 folders in two
# levels, 20 files each: 200,000 files), warm cache: yqscan without filters and with 1,000 rules
# that select the same entries, beside "find TREE -printf '%s\n'", which also stats every entry.
# Prints the best wall and processor times of a few rounds and the ratios find/yqscan from this
# run (above 1: yqscan is faster), and the peak memory. On a loaded machine the wall times are
# noisy; the processor times and the ratios from one run are the comparable numbers.
# Usage: bench/yqscan_bench.sh [installed yqscan] [work folder]
set -eu
cd "$(dirname "$0")/.."
yqscan=$(realpath "${1:-_install/bin/yqscan}")
work=$(mktemp -d "${2:-/tmp}/yqscan-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
scripts/install-deps time findutils
tree=$work/tree
runs=5

echo "generating the tree in $tree"
awk -v t="$tree" 'BEGIN { for (i = 0; i < 100; i++) for (j = 0; j < 100; j++)
  print t "/t" i "/f" j }' | xargs mkdir -p
awk -v t="$tree" 'BEGIN { for (i = 0; i < 100; i++) for (j = 0; j < 100; j++)
  for (k = 0; k < 20; k++) print t "/t" i "/f" j "/file_" k ".dat" }' | xargs touch
# 1,000 rules that leave every generated file selected: extensions, names and folders.
awk -v t="$tree" 'BEGIN { for (i = 0; i < 400; i++) print "-**/*.x" i
  for (i = 0; i < 300; i++) print "-**/core." i
  for (i = 0; i < 300; i++) print "-" t "/t" (i % 100) "/none" i }' >"$work/rules"

# One round runs each command once, so that the machine's load falls on all of them alike.
# Per command the best wall time and the best processor time (user + system) in milliseconds,
# and the peak resident memory in KB.
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$work/time" | awk '{ printf "%d %d %d\n", $1 * 1000, ($2 + $3) * 1000, $4 }'
}
find "$tree" -printf '%s\n' >/dev/null  # warms the cache
: >"$work/results"
for round in $(seq "$runs"); do
  echo "find $(measure find "$tree" -printf '%s\n')" >>"$work/results"
  echo "plain $(measure "$yqscan" --no-automount-check --log-dir "$work" "$tree")" >>"$work/results"
  echo "rules $(measure "$yqscan" --no-automount-check --log-dir "$work" \
    --filters "$work/rules" "$tree")" >>"$work/results"
  echo "round $round of $runs done"
done
awk -v entries="$(find "$tree" | wc -l)" -v runs="$runs" '
  { if (!($1 in wall) || $2 < wall[$1]) wall[$1] = $2
    if (!($1 in cpu) || $3 < cpu[$1]) cpu[$1] = $3
    if ($4 > peak[$1]) peak[$1] = $4 }
  END {
    printf "entries: %d; best of %d rounds; ratio = find / yqscan (above 1: yqscan is faster)\n", entries, runs
    printf "%-22s %8s %6s %8s %6s %9s\n", "", "wall ms", "ratio", "cpu ms", "ratio", "peak KB"
    n["find"] = "find -printf %s"; n["plain"] = "yqscan, no filters"; n["rules"] = "yqscan, 1,000 rules"
    split("find plain rules", order, " ")
    for (i = 1; i <= 3; i++) { k = order[i]
      printf "%-22s %8d %6.2f %8d %6.2f %9d\n", n[k], wall[k], wall["find"] / wall[k], cpu[k],
             cpu["find"] / (cpu[k] ? cpu[k] : 1), peak[k] } }' "$work/results"
