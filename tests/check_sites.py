#!/usr/bin/env python3
"""Fails when two check sites of the program could report one location.

A failure that a check catches reports, as its location, the address of the
check site's own object. Every VIMBREL_CHECK_SITE() written in the sources is
one such object in the program, named vimbrelCheckSite in the symbol table:
the program must hold as many of them, each at an address of its own, as the
sources write.

usage: check_sites.py NM PROGRAM SOURCE_DIR
"""
import pathlib
import re
import subprocess
import sys

FOLDERS = ("platform", "runtime", "util", "splice")


def sites_in_sources(root):
    count = 0
    for folder in FOLDERS:
        for path in sorted((root / folder).rglob("*.[ch]*")):
            for line in path.read_text(encoding="utf-8").splitlines():
                if not line.lstrip().startswith("#define"):
                    count += line.count("VIMBREL_CHECK_SITE()")
    return count


def site_addresses(nm, program):
    listing = subprocess.run([nm, program], check=True, capture_output=True, text=True).stdout
    addresses = []
    for line in listing.splitlines():
        fields = line.split()
        # A static of a lambda: ...E16vimbrelCheckSite, with _N after the
        # first of one function.
        if len(fields) == 3 and re.search(r"E16vimbrelCheckSite(_\d+)?$", fields[2]):
            addresses.append(int(fields[0], 16))
    return addresses


def main():
    nm, program, root = sys.argv[1], sys.argv[2], pathlib.Path(sys.argv[3])
    expected = sites_in_sources(root)
    addresses = site_addresses(nm, program)
    distinct = len(set(addresses))
    print(f"{program}: {expected} check sites in the sources, {len(addresses)} site "
          f"objects in the program at {distinct} distinct addresses")
    if expected == 0 or len(addresses) != expected or distinct != expected:
        print("FAIL: some check sites could report one location", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
