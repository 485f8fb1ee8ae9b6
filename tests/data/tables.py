"""Reads the tables of test data kept in this folder, which the C++ tests,
the Python tests and the fuzz seeds share: a row a line, its fields apart by
tabs, \\xHH for the byte HH; a line that begins with # is a comment."""
import os
import re

FOLDER = os.path.dirname(os.path.abspath(__file__))


def read_table(name):
    """The rows of a table of this folder, each a list of its fields as bytes."""
    with open(os.path.join(FOLDER, name), "rb") as file:
        lines = file.read().split(b"\n")
    if lines[-1] == b"":
        lines.pop()
    return [[re.sub(rb"\\x([0-9A-Fa-f]{2})", lambda m: bytes([int(m[1], 16)]), field)
             for field in line.split(b"\t")]
            for line in lines if not line.startswith(b"#")]


def usage_lines():
    """The lines of the usage text, without their line ends."""
    return [row[0] for row in read_table("usage.txt")]


def command_lines():
    """(command line, its count, its arguments from 1 on) for each row."""
    return [(row[0], int(row[1]), row[2:]) for row in read_table("command_lines.txt")]


def error_text(name, **fields):
    """The text named `name` in error_lines.txt with each {field} filled in."""
    [text] = [row[1] for row in read_table("error_lines.txt") if row[0] == name.encode()]
    for field, value in fields.items():
        mark = b"{" + field.encode() + b"}"
        if mark not in text:
            raise KeyError(f"{name} has no {mark!r}")
        text = text.replace(mark, value if isinstance(value, bytes) else str(value).encode())
    return text
