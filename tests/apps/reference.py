#!/usr/bin/env python3
"""Reference answers for the zetch tool's end-to-end checks, written from the rules of each
command without the library: reference.py COMMAND ARGS... FILE prints what zetch should print."""
import sys


def offsets(data, hits):
    sys.stdout.write("".join(f"{i}\n" for i in hits))


def main():
    cmd, *args = sys.argv[1:]
    data = open(args[-1], "rb").read()
    if cmd == "find":  # every occurrence, overlapping ones included
        needle = args[0].encode("latin-1")
        offsets(data, [i for i in range(len(data) - len(needle) + 1) if data.startswith(needle, i)])
    elif cmd == "findany":  # every byte of the set
        s = set(args[0].encode("latin-1"))
        offsets(data, [i for i, b in enumerate(data) if b in s])
    elif cmd == "trim":  # MODE both|start|end, SET; lines end at '\n', which stays
        mode, s = args[0], args[1].encode("latin-1")
        lines = data.split(b"\n")
        out = []
        for line in lines:
            if mode in ("both", "start"):
                line = line.lstrip(s)
            if mode in ("both", "end"):
                line = line.rstrip(s)
            out.append(line)
        sys.stdout.buffer.write(b"\n".join(out))
    elif cmd == "split":  # pieces between the delimiters, one a line; a final delimiter starts none
        d = args[0].encode("latin-1")
        pieces = data.split(d)
        if pieces and pieces[-1] == b"":
            pieces.pop()
        sys.stdout.buffer.write(b"".join(p + b"\n" for p in pieces))
    elif cmd == "hash":
        rule, h = args[0], 0
        if rule == "shift":
            for b in data:
                h = ((h << 1) ^ b) & 0xFFFFFFFF
        elif rule == "sj2":
            for b in data:
                h = (h * 31 + b) & 0xFFFFFFFF
        else:
            h = 5381
            for b in data:
                if b == 0:
                    break
                h = ((h * 33) & 0xFFFFFFFF) ^ b
        print(h)
    else:
        sys.exit(f"unknown reference {cmd}")


main()
