#!/usr/bin/env bash
# Times vimbrel against the shell recipe a Linux user would otherwise run and
# against cat as the raw-copy reference, on two large inputs held in memory
# (/dev/shm) so that the disk does not decide.
#
#   bench/run.sh [PROGRAM]     PROGRAM defaults to build/linux/vimbrel
#
# Environment: BENCH_MB (size of each input, default 300), BENCH_ROUNDS
# (default 15), BENCH_DIR (default /dev/shm). Exits 1 when a figure misses the
# bar: vimbrel no slower than 1.15 x cat, at least 2.5 x faster than the
# recipe, peak resident memory under 4 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/linux/vimbrel}")
megabytes=${BENCH_MB:-300}
rounds=${BENCH_ROUNDS:-15}
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
(($(stat -c %s out.mve) == $(stat -c %s a.mve) - 16 + $(stat -c %s b.mve) - 26)) ||
  { echo "the joined movie has the wrong size" >&2; exit 1; }
rm -f out.mve expected.mve

# One run of a method: "elapsed CPU" seconds, CPU being user plus system time
# of the process and its children. CPU time hardly depends on what else the
# machine runs, elapsed time does. The previous output is removed first so
# that no run pays for freeing another's pages.
time_run() {
  rm -f out.mve
  local TIMEFORMAT='%3R %3U %3S' report
  report=$({ time "run_$1"; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' <<< "$report"
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
declare -A elapsed cpu
for ((round = 0; round < rounds; round++)); do
  # Each round starts with the next method, so none always runs first.
  for ((i = 0; i < ${#methods[@]}; i++)); do
    method=${methods[(round + i) % ${#methods[@]}]}
    read -r e c <<< "$(time_run "$method")"
    elapsed[$method]+="$e "
    cpu[$method]+="$c "
  done
done
rm -f out.mve

median() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for method in "${methods[@]}"; do
  elapsed[$method]=$(median "${elapsed[$method]}")
  cpu[$method]=$(median "${cpu[$method]}")
done

peak_kib=$(/usr/bin/time -v "$program" a.mve b.mve out.mve 2>&1 >/dev/null |
  awk -F': ' '/Maximum resident set size/ { print $2 }')

echo "inputs: 2 x $megabytes MB in ${BENCH_DIR:-/dev/shm}; median of $rounds rounds"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), Linux $(uname -r)"
echo "load average before the runs: $load"
echo "median             elapsed      CPU"
for method in "${methods[@]}"; do
  printf '%-8s %16.3f s %7.3f s\n' "$method" "${elapsed[$method]}" "${cpu[$method]}"
done
awk -v v="${elapsed[vimbrel]}" -v r="${elapsed[recipe]}" -v c="${elapsed[cat]}" \
  -v vc="${cpu[vimbrel]}" -v rc="${cpu[recipe]}" -v cc="${cpu[cat]}" -v m="$peak_kib" '
  function verdict(ok) { return ok ? "ok" : "MISSED" }
  BEGIN {
    print "ratios (of elapsed; of CPU)"
    printf "vimbrel / cat    %6.3f  %6.3f   bar: at most 1.15 (elapsed)  %s\n", v / c, vc / cc, verdict(v / c <= 1.15)
    printf "recipe / vimbrel %6.3f  %6.3f   bar: at least 2.5 (elapsed)  %s\n", r / v, rc / vc, verdict(r / v >= 2.5)
    printf "vimbrel peak RSS %6d KiB        bar: under 4096 KiB          %s\n", m, verdict(m < 4096)
    exit !(v / c <= 1.15 && r / v >= 2.5 && m < 4096)
  }'
