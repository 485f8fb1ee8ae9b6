#!/usr/bin/env python3
"""Fails when the Windows program would not start on the oldest Windows it is for.

The loader of Windows refuses a program that imports a function its DLLs do not
export ("The procedure entry point ... could not be located"), or whose
subsystem or operating system version is above its own. The program must
import only what tests/data/windows_xp_exports.txt lists for its machine, and
declare a version no higher than that Windows' own.

usage: check_imports.py OBJDUMP PROGRAM EXPORTS_TABLE
"""
import re
import subprocess
import sys

# The oldest Windows of each machine, as a PE header gives it: Windows XP and
# Windows XP x64 Edition.
MACHINES = {"i386": ("x86", (5, 1)), "x86-64": ("x64", (5, 2))}


def allowed_imports(table, machine):
    allowed = set()
    with open(table, encoding="utf-8") as rows:
        for row in rows:
            if row.startswith("#") or not row.strip():
                continue
            dll, function, machines, _since, _source = row.rstrip("\n").split("\t")
            if machine in machines.split(","):
                allowed.add((dll.lower(), function))
    return allowed


def read_program(objdump, program):
    """The machine, the declared versions and the imports (DLL, function)."""
    listing = subprocess.run([objdump, "-p", program], check=True, capture_output=True,
                             text=True).stdout
    machine = re.search(r"file format pei-(\S+)", listing).group(1)
    versions = {name: int(value) for name, value in re.findall(
        r"^(Major\w+Version|Minor\w+Version)\s+(\d+)$", listing, re.MULTILINE)}
    imports = []
    dll = None
    for line in listing.splitlines():
        named = re.match(r"\s+DLL Name: (\S+)", line)
        if named:
            dll = named.group(1).lower()
            continue
        # "\t<hint-name address>\t<hint>  <name>", or an ordinal alone.
        entry = re.match(r"\t[0-9a-f]+\t\s*\d+\s+(\S+)$", line)
        if dll and entry:
            imports.append((dll, entry.group(1)))
        elif dll and re.match(r"\t[0-9a-f]+\t\s*\d+$", line):
            imports.append((dll, "ordinal " + line.split()[-1]))
    return machine, versions, imports


def main():
    objdump, program, table = sys.argv[1:4]
    machine, versions, imports = read_program(objdump, program)
    if machine not in MACHINES:
        print(f"FAIL: {program}: machine {machine} is not one this check knows", file=sys.stderr)
        return 1
    name, oldest = MACHINES[machine]
    failures = []
    if not imports:
        failures.append("no import found: objdump's listing was not understood")
    allowed = allowed_imports(table, name)
    failures += [f"imports {function} from {dll}, not a row for {name} in the table of "
                 f"what Windows XP exports" for dll, function in imports
                 if (dll, function) not in allowed]
    for kind, field in (("subsystem", "Subsystem"), ("operating system", "OSystem")):
        declared = (versions[f"Major{field}Version"], versions[f"Minor{field}Version"])
        if declared > oldest:
            failures.append(f"declares {kind} version {declared[0]}.{declared[1]}, "
                            f"above Windows XP's {oldest[0]}.{oldest[1]}")
    print(f"{program}: {len(imports)} imports, {name}, subsystem "
          f"{versions['MajorSubsystemVersion']}.{versions['MinorSubsystemVersion']}")
    for failure in failures:
        print(f"FAIL: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
