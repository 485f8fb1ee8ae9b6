#!/usr/bin/env bash
# Times vimbrel against the shell recipe a Linux user would otherwise run and
# against cat as the raw-copy reference, on two large inputs held in memory
# (/dev/shm) so that the disk does not decide.
#
#   bench/run.sh [PROGRAM]     PROGRAM defaults to build/linux/vimbrel
#
# Environment: BENCH_MB (size of each input, default 300), BENCH_ROUNDS
# (default 7), BENCH_DIR (default /dev/shm). Exits 1 when a figure misses the
# bar: vimbrel no slower than 1.15 x cat, at least 2.5 x faster than the
# recipe, peak resident memory under 4 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/linux/vimbrel}")
megabytes=${BENCH_MB:-300}
rounds=${BENCH_ROUNDS:-7}
[[ -x $program ]] || { echo "no program at $program: build it first" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing: apt-get install time" >&2; exit 2; }

work=$(mktemp -d "${BENCH_DIR:-/dev/shm}/vimbrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# Random bytes, with sizes that are not multiples of the 100000-byte chunk so
# that both phases end on a short chunk.
head -c $((megabytes * 1000000 + 12345)) /dev/urandom > a.mve
head -c $((megabytes * 1000000 + 67891)) /dev/urandom > b.mve

run_vimbrel() { "$program" a.mve b.mve out.mve > /dev/null; }
run_recipe() { head -c -16 a.mve > out.mve && tail -c +27 b.mve >> out.mve; }
run_cat() { cat a.mve b.mve > out.mve; }
methods=(vimbrel recipe cat)

# The recipe defines the expected output; vimbrel must match it byte for byte.
run_recipe
mv out.mve expected.mve
run_vimbrel
cmp -s out.mve expected.mve || { echo "vimbrel's output differs from the recipe's" >&2; exit 1; }
rm -f out.mve expected.mve

# Seconds, to the microsecond, one run of a method; the previous output is
# removed first so that no run pays for freeing another's pages.
time_run() {
  rm -f out.mve
  local start=$EPOCHREALTIME
  "run_$1"
  local end=$EPOCHREALTIME
  echo "$start $end" | awk '{ printf "%.6f\n", $2 - $1 }'
}

declare -A times
for ((round = 0; round < rounds; round++)); do
  # Each round starts with the next method, so none always runs first.
  for ((i = 0; i < ${#methods[@]}; i++)); do
    method=${methods[(round + i) % ${#methods[@]}]}
    times[$method]+="$(time_run "$method") "
  done
done
rm -f out.mve

# "median fastest" of one method's times.
summary() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)], v[1] }'; }
read -r vimbrel vimbrel_best <<< "$(summary "${times[vimbrel]}")"
read -r recipe recipe_best <<< "$(summary "${times[recipe]}")"
read -r cat cat_best <<< "$(summary "${times[cat]}")"

peak_kib=$(/usr/bin/time -v "$program" a.mve b.mve out.mve 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident set size/ { print $2 }')

echo "inputs: 2 x $megabytes MB in ${BENCH_DIR:-/dev/shm}; median of $rounds rounds"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), Linux $(uname -r)"
echo "          median   fastest"
printf '%-8s %7.3f s %7.3f s\n' vimbrel "$vimbrel" "$vimbrel_best" recipe "$recipe" "$recipe_best" \
  cat "$cat" "$cat_best"
awk -v v="$vimbrel" -v r="$recipe" -v c="$cat" -v m="$peak_kib" '
  function verdict(ok) { return ok ? "ok" : "MISSED" }
  BEGIN {
    printf "vimbrel / cat     %6.3f   (bar: at most 1.15)  %s\n", v / c, verdict(v / c <= 1.15)
    printf "recipe / vimbrel  %6.3f   (bar: at least 2.5)  %s\n", r / v, verdict(r / v >= 2.5)
    printf "vimbrel peak RSS  %6d KiB (bar: under 4096)  %s\n", m, verdict(m < 4096)
    exit !(v / c <= 1.15 && r / v >= 2.5 && m < 4096)
  }'
