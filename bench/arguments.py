#!/usr/bin/env python3
"""Times vimbrel printing its usage for many arguments, as `vimbrel *.mve` in
a folder of many movies does: counting them walks the command line once, so
the time must grow with the length of the line, not with its square.

  bench/arguments.py [PROGRAM]     PROGRAM defaults to build/release/vimbrel

Environment: BENCH_RUNS (runs per count, the median is shown; default 7).
Exits 1 when 100000 arguments take 0.5 s or more, or when ten times the
arguments take more than 20 times as long (a square would take 100 times).
For context it times /bin/true with the same arguments: what starting a
process with them costs at all.
"""

import os
import resource
import statistics
import subprocess
import sys
import time

COUNTS = (10000, 30000, 100000)
# Any count but three is a wrong count: the usage, and status 160.
WRONG_COUNT = 160


def median_seconds(command, count, expected):
    names = [f"movie{number:06d}.mve" for number in range(1, count + 1)]
    times = []
    for _ in range(int(os.environ.get("BENCH_RUNS", "7"))):
        start = time.perf_counter()
        status = subprocess.run(command + names, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL).returncode
        times.append(time.perf_counter() - start)
        if status != expected:
            sys.exit(f"{command[0]} with {count} arguments ended with {status}, not {expected}")
    return statistics.median(times)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    program = os.path.abspath(sys.argv[1] if len(sys.argv) > 1
                              else os.path.join(root, "build", "release", "vimbrel"))
    if not os.access(program, os.X_OK):
        sys.exit(f"no program at {program}: build it first")
    # The arguments and their pointers must fit the quarter of the stack
    # limit that Linux allows them.
    _, hard = resource.getrlimit(resource.RLIMIT_STACK)
    wanted = 64 << 20
    if hard == resource.RLIM_INFINITY or hard >= wanted:
        resource.setrlimit(resource.RLIMIT_STACK, (wanted, hard))

    print(f"{'arguments':>10} {'vimbrel (s)':>12} {'µs per argument':>16} {'/bin/true (s)':>14}")
    seconds = {}
    for count in COUNTS:
        seconds[count] = median_seconds([program], count, WRONG_COUNT)
        floor = median_seconds(["/bin/true"], count, 0)
        print(f"{count:>10} {seconds[count]:>12.4f} {seconds[count] * 1e6 / count:>16.2f} "
              f"{floor:>14.4f}")
    large = seconds[COUNTS[-1]]
    ratio = large / seconds[COUNTS[0]]
    print(f"100000 arguments: {large:.4f} s (target: below 0.5 s); 10 x the arguments: "
          f"{ratio:.1f} x the time (target: at most 20)")
    return 0 if large < 0.5 and ratio <= 20 else 1


if __name__ == "__main__":
    sys.exit(main())
