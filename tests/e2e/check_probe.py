#!/usr/bin/env python3
# group: wine
"""pmcmd probe against the host stand-in, which is its reference:
- on the sample play, read only: every line says "same"; the host received no
  command that changes text or formatting; the story, the styles and the
  selection are exactly as before (dumps compared) and the clipboard holds the
  user's text again; the report file is the report printed;
- --write once on a publication with a name is refused before anything is sent;
- a host with faults (a wrong state, missing replies, an unreadable cursor)
  makes exactly those lines say "differs" / "no answer" / "not asked", the
  probe still ends normally, closes every style definition it opened and
  leaves the selection as it was;
- --write on a scratch publication ("Untitled-1"): every line "same", the
  test characters formatted as the probe read them back, the styles as before.
Prints a line per check, then 'N passed, N failed'.
"""
import json
import os
import re
import sys

from rig import ROOT, Results, Rig, winpath

R = Results()
LINE = re.compile(r"^(same|differs|no answer|not asked) *\| (.*?) \| ")
# Commands that only move the insertion point, select, copy or open and close
# a style definition for reading, and the unknown word sent to see whether
# the host refuses it.
READ_ONLY = {"textcursor", "textselect", "settextcursor", "copy", "stylebegin", "styleend", "rolemarkprobeunknowncommand"}
TIMES = re.compile(r"Exchange times / .*: command median [\d.]+ ms, longest [\d.]+ ms \(\d+\); "
                   r"query median [\d.]+ ms, longest [\d.]+ ms \(\d+\); "
                   r"Copy with the clipboard read median [\d.]+ ms, longest [\d.]+ ms \(1\)\r\n")
USER_SELECTION = (40, 52)
USER_CLIPBOARD = "SetTextCursor 1 0 6"  # the first six characters, copied below


def version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r"project\(Rolemark VERSION ([0-9.]+)", f.read()).group(1)


def lines(report):
    """{assumption: status} of the report's check lines, in order."""
    found = {}
    for line in report.split("\r\n"):
        m = LINE.match(line)
        if m:
            found[m.group(2)] = m.group(1)
    return found


def commands(entries):
    words = []
    for e in entries:
        if e["kind"] == "command":
            text = e["text"][4:] if e["text"].lower().startswith("try ") else e["text"]
            words.append(text.split()[0].lower())
    return words


def publication(dump):
    return {k: v for k, v in dump.items() if k != "host"}


def probe(rig, host, *args):
    """Runs the probe; (exit code, report, entries the host logged)."""
    mark = host.mark()
    code, out = rig.pmcmd("probe", *args, timeout=120)
    return code, out, host.since(mark)


def prepare(host):
    host.execute(USER_CLIPBOARD)
    host.execute("Copy")
    host.execute("SetTextCursor 1 %d %d" % USER_SELECTION)
    return host.dump(), host.query("StandinClipboard")


def untouched(host, before, clipboard, what):
    after = host.dump()
    R.true(what + ": story, styles and selection as before", publication(before) == publication(after),
           "the dumps differ (%s)" % [k for k in before if before.get(k) != after.get(k)])
    R.check(what + ": the selection is the user's", list(USER_SELECTION), after["selection"])
    R.check(what + ": the clipboard holds the user's text again", clipboard, host.query("StandinClipboard"))


def reference(rig):
    host = rig.start_host(name="reference")
    before, clipboard = prepare(host)
    report_path = os.path.join(rig.work, "probe.txt")
    code, report, entries = probe(rig, host, "--out", winpath(report_path))
    found = lines(report)
    R.check("reference: exit code", 0, code)
    R.true("reference: at least 25 checks", len(found) >= 25, "got %d" % len(found))
    R.check("reference: every line same", {}, {k: v for k, v in found.items() if v != "same"})
    words = commands(entries)
    R.check("reference: only reading commands sent", [], sorted(set(words) - READ_ONLY))
    R.check("reference: every StyleBegin closed", words.count("stylebegin"), words.count("styleend"))
    R.true("reference: a Copy was sent", "copy" in words)
    untouched(host, before, clipboard, "reference")
    with open(report_path, "rb") as f:
        R.check("reference: the report file is the report printed", report, f.read().decode(rig.codepage))
    R.true("reference: names Rolemark's version", "Rolemark: %s\r\n" % version() in report)
    R.true("reference: names the host's window", '"Adobe PageMaker 6.5 - [Дачный вечер]"' in report)
    R.true("reference: the median and longest time of each kind of exchange", TIMES.search(report) is not None,
           report[report.find("Exchange times"):])
    R.check("reference: the unknown command refused, the Copy owned by the host", ("same", "same"),
            (found.get("An unknown command is refused (so a refused command can be told)"),
             found.get("After Copy the clipboard is owned by a window of the host")))
    R.true("reference: names Windows and Wine", re.search(r"Windows: \d+\.\d+\.\d+.*, Wine ", report) is not None)

    # --write once, on a publication with a name: refused before anything is sent.
    code, report, entries = probe(rig, host, "--write")
    R.check("named publication: --write refused", 2, code)
    R.check("named publication: nothing sent", [], [e["text"] for e in entries if e["kind"] in ("command", "query")])
    return before


def faults(rig):
    # A wrong state at the first asking, no reply to GetStyle and to the
    # first GetSize (inside the style definition).
    host = rig.start_host(name="faults", faults=[("states", "3"), ("empty-reply", "GetStyle"), ("empty-reply", "GetSize#1")])
    before, clipboard = prepare(host)
    code, report, entries = probe(rig, host)
    found = lines(report)
    R.check("faults: exit code", 0, code)
    expected = {"GetPMState in text mode: 7 or 8": "differs",
                "GetPMState is 8 exactly when text is selected": "differs",
                "GetStyle names the paragraph's style": "no answer",
                "GetSize in points": "no answer"}
    R.check("faults: exactly the struck lines", expected, {k: v for k, v in found.items() if v != "same"})
    words = commands(entries)
    R.check("faults: every StyleBegin closed", words.count("stylebegin"), words.count("styleend"))
    untouched(host, before, clipboard, "faults")

    # The user's selection cannot be read: nothing may move it.
    host = rig.start_host(name="nocursor", faults=[("bad-number", "GetTextCursor#1")])
    before, clipboard = prepare(host)
    code, report, entries = probe(rig, host)
    found = lines(report)
    R.check("unreadable cursor: exit code", 0, code)
    R.check("unreadable cursor: its line differs", "differs", found.get("GetTextCursor: story, start, end"))
    R.true("unreadable cursor: the moves are not asked",
           found.get("TextCursor 10 1 goes to the story's end") == "not asked" and
           found.get("SetTextCursor with the numbers read gives the selection back") == "not asked", repr(found))
    R.check("unreadable cursor: no move or selection sent", [],
            [w for w in commands(entries) if w in ("textcursor", "textselect", "settextcursor", "copy")])
    untouched(host, before, clipboard, "unreadable cursor")


def scratch(rig, sample):
    pub = publication(sample)
    pub["name"] = "Untitled-1"
    path = os.path.join(rig.work, "scratch.json")
    with open(path, "w", encoding="utf-8") as f:
        json.dump(pub, f, ensure_ascii=False)
    host = rig.start_host(pub=path, name="scratch")
    before = host.dump()
    code, report, entries = probe(rig, host, "--write")
    found = lines(report)
    R.check("scratch --write: exit code", 0, code)
    R.true("scratch --write: the writing checks ran", "Size 11.5 reads back in points" in found, repr(found))
    R.check("scratch --write: every line same", {}, {k: v for k, v in found.items() if v != "same"})
    after = host.dump()
    R.check("scratch --write: the styles as before", before["styles"], after["styles"])
    first = after["paragraphs"][0]["runs"][0]
    R.check("scratch --write: the test characters as read back",
            (0, 4, 11.5, 0.05, -1.5, []),
            (first.get("from"), first.get("to"), first.get("size"), round(first.get("kern", 0), 3), first.get("shift"),
             first.get("type_style")))
    R.check("scratch --write: the selection as before", before["selection"], after["selection"])


def main():
    with Rig("ru_RU.UTF-8") as rig:
        missing = rig.missing_programs()
        if missing:
            R.true("programs built", False, "missing %s" % ", ".join(missing))
        else:
            rig.ensure_prefix()
            sample = reference(rig)
            faults(rig)
            scratch(rig, sample)
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 0 if R.failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
