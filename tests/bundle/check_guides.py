#!/usr/bin/env python3
# group: native
"""The guides quote only what the programs say: every quoted message of the
message section of README.txt ("...") and of ПРОЧТИ.txt («...», which may
nest) is found among the texts built into the shipped programs of the x86_64
build. A "..." inside a quote stands for any text (a name, a reply), so each
piece between them must occur in one of the programs' texts; a final full
stop is the error box's own and is ignored. So a change of wording that
leaves a guide behind fails here.

Prints a line per quote, then 'N passed, N failed'.
"""
import os
import re
import sys

from rig import Results, wine

ROOT, OUT = wine.ROOT, wine.OUT
PROGRAMS = ("rolemark.exe", "rmaddin.add", "pmcmd.exe")
# Each guide, the title of its message section, and how it quotes.
GUIDES = (("README.txt", "Messages and what to do", '"', '"'),
          ("ПРОЧТИ.txt", "Сообщения и что делать", "«", "»"))
ANY = "..."
R = Results()


def program_texts(build):
    """The UTF-8 texts held in the programs' files: runs of printable bytes,
    split where they stop being UTF-8."""
    texts = []
    for name in PROGRAMS:
        path = os.path.join(OUT, build, "bin", name)
        if not R.true("%s built" % name, os.path.exists(path), "missing " + path):
            continue
        with open(path, "rb") as f:
            data = f.read()
        for run in re.findall(rb"[\x20-\x7e\x80-\xff]{3,}", data):
            texts += [t for t in run.decode("utf-8", "replace").split("\ufffd") if len(t) >= 3]
    return texts


def section(text, title):
    """The lines of the section under `title` (underlined with dashes), up to
    the next underlined title."""
    lines = text.splitlines()
    start = lines.index(title) + 2
    end = next((i - 1 for i in range(start + 1, len(lines)) if re.fullmatch(r"-{3,}", lines[i])), len(lines))
    return "\n".join(lines[start:end])


def quotes(text, opening, closing):
    """The quoted texts, outermost only: with distinct marks, quotes nest."""
    found, depth, start = [], 0, 0
    for i, c in enumerate(text):
        if c == opening and (opening != closing or depth == 0):
            if depth == 0:
                start = i + 1
            depth += 1
        elif c == closing and depth > 0:
            depth -= 1
            if depth == 0:
                found.append(text[start:i])
    return found


def main():
    texts = program_texts("win64")
    for guide, title, opening, closing in GUIDES:
        with open(os.path.join(ROOT, "bundle", guide), encoding="utf-8") as f:
            quoted = quotes(section(f.read(), title), opening, closing)
        R.true("%s: its message section quotes messages" % guide, len(quoted) >= 10, "%d quotes" % len(quoted))
        for quote in quoted:
            pieces = [p for p in quote.removesuffix(".").split(ANY) if p]
            missing = [p for p in pieces if not any(p in t for t in texts)]
            R.true("%s: %s%s%s" % (guide, opening, quote, closing), not missing,
                   "not in the programs: %s" % " / ".join(repr(p) for p in missing))
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
