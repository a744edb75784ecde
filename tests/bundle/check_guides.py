#!/usr/bin/env python3
# group: native
"""The guides quote only what the programs say: every quoted message of the
message section of README.txt ("...") and of ПРОЧТИ.txt («...», which may
nest) is found among the texts built into the shipped programs: the string
literals of the sources they are built from. (Not the built files: the
compiler writes short strings into the code as immediate values.) A "..."
inside a quote stands for any text (a name, a reply), so each piece between
them must occur in one of the programs' texts; a final full stop is the
error box's own and is ignored. So a change of wording that leaves a guide
behind fails here.

Prints a line per quote, then 'N passed, N failed'.
"""
import os
import re
import sys

from rig import Results, wine

ROOT = wine.ROOT
# The sources of rolemark.exe, rmaddin.add and pmcmd.exe (platform/standin
# is the tests' stand-in, in none of them).
SOURCES = ("workbench", "pmdde", "onlyrun", "handoff", "plugin", "platform", "tools/pmcmd")
SKIPPED = ("platform/standin",)
# Each guide, the title of its message section, and how it quotes.
GUIDES = (("README.txt", "Messages and what to do", '"', '"'),
          ("ПРОЧТИ.txt", "Сообщения и что делать", "«", "»"))
ANY = "..."
R = Results()


def program_texts():
    """The string literals of the programs' sources, adjacent ones joined."""
    literal = r'"(?:[^"\\\n]|\\.)*"'
    texts = []
    for folder in SOURCES:
        for base, _, files in os.walk(os.path.join(ROOT, folder)):
            if any(os.path.relpath(base, ROOT).startswith(s) for s in SKIPPED):
                continue
            for name in files:
                if not name.endswith((".cpp", ".h", ".def")):
                    continue
                with open(os.path.join(base, name), encoding="utf-8") as f:
                    source = f.read()
                for run in re.findall(r"%s(?:\s*%s)*" % (literal, literal), source):
                    texts.append("".join(re.findall(r'"((?:[^"\\\n]|\\.)*)"', run)))
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
    texts = program_texts()
    R.true("the programs' texts read", len(texts) > 100, "%d texts" % len(texts))
    for guide, title, opening, closing in GUIDES:
        with open(os.path.join(ROOT, "bundle", guide), encoding="utf-8") as f:
            quoted = quotes(section(f.read(), title), opening, closing)
        R.true("%s: its message section quotes messages" % guide, len(quoted) >= 10, "%d quotes" % len(quoted))
        for quote in quoted:
            text = quote if quote.endswith(ANY) else quote.removesuffix(".")
            pieces = [p for p in text.split(ANY) if p]
            missing = [p for p in pieces if not any(p in t for t in texts)]
            R.true("%s: %s%s%s" % (guide, opening, quote, closing), not missing,
                   "not in the programs: %s" % " / ".join(repr(p) for p in missing))
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
