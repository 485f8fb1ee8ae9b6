#!/usr/bin/env bash
# Times vimbrel against the floor for its job, a bare read/write loop doing the
# same join with the same 100000-byte buffer (bare_join.cpp, built here), on
# two large inputs held in memory (/dev/shm) so that the disk does not decide,
# and on the two sample movies, where the start of the process is what counts.
# For context it also times cat (a copy inside the kernel that does not join),
# the shell recipe a Linux user would otherwise type and a Python one-liner.
#
#   bench/run.sh [PROGRAM]     PROGRAM defaults to build/release/vimbrel
#
# Environment: BENCH_MB (size of each large input, default 300), BENCH_ROUNDS
# (default 15), BENCH_BATCH (small joins per timing, default 100), BENCH_DIR
# (default /dev/shm), CXX (default g++). Exits 1 when a figure that vimbrel
# controls misses its target: large join at most 1.05 x the bare loop, small
# join at most 1.15 x, peak memory at most 1.5 MiB. The peers' ratios are
# context: how fast the recipe is depends on the machine's system calls.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${1:-build/release/vimbrel}")
samples=$(realpath samples)
megabytes=${BENCH_MB:-300}
rounds=${BENCH_ROUNDS:-15}
batch=${BENCH_BATCH:-100}
[[ -x $program ]] || { echo "no program at $program: build it first" >&2; exit 2; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing: apt-get install time" >&2; exit 2; }

work=$(mktemp -d "${BENCH_DIR:-/dev/shm}/vimbrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Linked against the C library alone, as a bare C program would be.
"${CXX:-g++}" -O2 -Wl,--as-needed -o "$work/bare_join" bench/bare_join.cpp
cd "$work"

# Random bytes, with sizes that are not multiples of the 100000-byte chunk so
# that both phases end on a short chunk.
head -c $((megabytes * 1000000 + 12345)) /dev/urandom > a.mve
head -c $((megabytes * 1000000 + 67891)) /dev/urandom > b.mve

large_vimbrel() { "$program" a.mve b.mve out.mve > /dev/null; }
large_bare() { ./bare_join a.mve b.mve out.mve; }
large_cat() { cat a.mve b.mve > out.mve; }
large_recipe() { head -c -16 a.mve > out.mve && tail -c +27 b.mve >> out.mve; }
large_python() {
  python3 -c 'open("out.mve", "wb").write(open("a.mve", "rb").read()[:-16] + open("b.mve", "rb").read()[26:])'
}
small_vimbrel() {
  for ((n = 0; n < batch; n++)); do "$program" "$samples/intro.mve" "$samples/outro.mve" out.mve > /dev/null; done
}
small_bare() {
  for ((n = 0; n < batch; n++)); do ./bare_join "$samples/intro.mve" "$samples/outro.mve" out.mve; done
}
methods=(large_vimbrel large_bare large_cat large_recipe large_python small_vimbrel small_bare)

# The recipe defines the expected output; every join must match it byte for
# byte (cat does not join).
check_output() {
  local method
  for method in "$@"; do
    "$method"
    cmp -s out.mve expected.mve || { echo "$method's output differs from the recipe's" >&2; exit 1; }
  done
}
large_recipe
mv out.mve expected.mve
check_output large_vimbrel large_bare large_python
head -c -16 "$samples/intro.mve" > expected.mve
tail -c +27 "$samples/outro.mve" >> expected.mve
check_output small_vimbrel small_bare
rm -f out.mve expected.mve

# One run of a method: "elapsed CPU" seconds, CPU being user plus system time
# of the process and its children. CPU time hardly depends on what else the
# machine runs, elapsed time does. The previous output is removed first so
# that no run pays for freeing another's pages.
time_run() {
  rm -f out.mve
  local TIMEFORMAT='%3R %3U %3S' report
  report=$({ time "$1"; } 2>&1)
  awk '{ printf "%.4f %.4f\n", $1, $2 + $3 }' <<< "$report"
}

load=$(cut -d' ' -f1-3 /proc/loadavg)
declare -A elapsed cpu
for ((round = 0; round < rounds; round++)); do
  # A new order each round: no method always runs first, or always right
  # after the Python join, which leaves the kernel freeing a gigabyte.
  for method in $(shuf -e "${methods[@]}"); do
    read -r e c <<< "$(time_run "$method")"
    elapsed[$method]+="$e "
    cpu[$method]+="$c "
  done
done

median() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for method in "${methods[@]}"; do
  elapsed[$method]=$(median "${elapsed[$method]}")
  cpu[$method]=$(median "${cpu[$method]}")
done
# A small join's figures are per run.
for method in small_vimbrel small_bare; do
  elapsed[$method]=$(awk -v t="${elapsed[$method]}" -v n="$batch" 'BEGIN { printf "%.5f", t / n }')
  cpu[$method]=$(awk -v t="${cpu[$method]}" -v n="$batch" 'BEGIN { printf "%.5f", t / n }')
done

peak_kib() { /usr/bin/time -f %M "$program" "$@" 2>&1 >/dev/null; }
peak_large=$(peak_kib a.mve b.mve out.mve)
peak_small=$(peak_kib "$samples/intro.mve" "$samples/outro.mve" out.mve)

echo "large: 2 x $megabytes MB in ${BENCH_DIR:-/dev/shm}; small: the two samples, $batch runs started by bash per timing"
echo "median of $rounds rounds, the methods in a new random order each round"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), Linux $(uname -r)"
echo "load average before the runs: $load"
echo "median                  elapsed         CPU"
for method in "${methods[@]}"; do
  printf '%-14s %14.4f s %11.4f s\n' "$method" "${elapsed[$method]}" "${cpu[$method]}"
done
awk -v lv="${elapsed[large_vimbrel]}" -v lb="${elapsed[large_bare]}" -v lc="${elapsed[large_cat]}" \
  -v lr="${elapsed[large_recipe]}" -v lp="${elapsed[large_python]}" \
  -v sv="${elapsed[small_vimbrel]}" -v sb="${elapsed[small_bare]}" \
  -v lvc="${cpu[large_vimbrel]}" -v lbc="${cpu[large_bare]}" -v svc="${cpu[small_vimbrel]}" \
  -v sbc="${cpu[small_bare]}" -v ml="$peak_large" -v ms="$peak_small" '
  function verdict(ok) { if (!ok) missed = 1; return ok ? "ok" : "MISSED" }
  BEGIN {
    print "ratios of elapsed time (of CPU time where shown)"
    printf "large join / bare loop  %6.3f (%5.3f)  target: at most 1.05  %s\n", lv / lb, lvc / lbc, verdict(lv / lb <= 1.05)
    printf "small join / bare loop  %6.3f (%5.3f)  target: at most 1.15  %s\n", sv / sb, svc / sbc, verdict(sv / sb <= 1.15)
    printf "recipe / large join     %6.3f          context: the recipe copies in 8 KiB calls\n", lr / lv
    printf "large join / cat        %6.3f          context: cat copies inside the kernel\n", lv / lc
    printf "Python / large join     %6.3f          context\n", lp / lv
    printf "peak memory, large join %6d KiB      target: at most 1536  %s\n", ml, verdict(ml <= 1536)
    printf "peak memory, small join %6d KiB      target: at most 1536  %s\n", ms, verdict(ms <= 1536)
    exit missed
  }'
