#!/usr/bin/env python3
"""The address in the line the central server prints once it listens, "listening on http://127.0.0.1:8080"
(the server's common/ListeningLine.h writes it): the one reader for scripts/run and the Python test rigs.

As a program: prints the address a log file names and exits 0, or exits 1 while it names none.
Usage: listening_address.py LOG"""

import sys

PREFIX = "listening on "


def listening_address(line):
    """The address `line` names, or None when it is no listening line."""
    return line[len(PREFIX):].strip() if line.startswith(PREFIX) else None


def address_in(text):
    """The address of the first listening line in `text` (a log that may hold other lines), or None."""
    for line in text.splitlines():
        address = listening_address(line)
        if address:
            return address
    return None


def main(log):
    try:
        with open(log, errors="replace") as f:
            address = address_in(f.read())
    except OSError:
        address = None
    if address:
        print(address)
    return 0 if address else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
