#!/usr/bin/env python3
"""The link's soak against the host stand-in: 100,000 exchanges in a
formatting run's pattern (6 commands and 3 queries a round, interleaved as a
paragraph step sends them) from pmcmd to pmstandin.exe under Wine, with the
rate and the count of anything lost.

Both ends count: pmcmd checks every reply it gets against what the
stand-in's story makes it ("pmcmd soak-story": state 8 with a selection, the
cursor where the round put it), and the stand-in's transcript must then hold
exactly the exchanges sent, in order, each carried out and answered.

    bench/soak/soak [EXCHANGES]        (default 100000)

Environment as for the rig (tools/rig): ROLEMARK_OUT,
WINEPREFIX, DISPLAY.
"""
import os
import re
import subprocess
import sys
import time

from rig import Rig, RigError


def round_texts(r):
    """The exchanges of round `r` as the stand-in records them, with the
    replies it must give (None for a command)."""
    a, k = r % 7 + 1, r % 40 + 1
    return [("TextCursor 11 1", None), ("TextCursor 0 %d" % a, None), ("TextSelect 0 %d" % k, None),
            ("GetPMState", "8"), ("Copy", None), ("GetPMState", "8"), ("GetTextCursor", "%d,%d,%d"),
            ('Font "Arial"', None), ("Size 12.00", None)], (a, a + k)


def verify(entries):
    """(exchanges checked, problems) of the soak's part of a transcript."""
    xs = [e for e in entries if e["kind"] in ("command", "query")]
    problems = []
    if not xs or xs[0]["text"] != "GetTextCursor":
        return 0, ["the soak does not begin with its cursor query"]
    story = xs[0]["reply"].split(",")[0]
    i, r = 1, 0
    while i < len(xs) and len(problems) < 5:
        pattern, (start, end) = round_texts(r)
        for text, reply in pattern:
            if i >= len(xs):
                break
            e = xs[i]
            want = reply % (int(story), start, end) if reply and "%" in reply else reply
            if e["text"] != text or not e.get("ok", True) or (want is not None and e.get("reply") != want):
                problems.append("exchange %d: expected %r -> %r, got %r -> %r (%s)" %
                                (i, text, want, e["text"], e.get("reply"), e.get("note", "")))
            i += 1
        r += 1
    return len(xs), problems


def main(argv):
    exchanges = int(argv[0]) if argv else 100000
    with Rig("ru_RU.UTF-8") as rig:
        missing = [p for p in ("pmstandin.exe", "pmcmd.exe") if not os.path.exists(rig.program(p))]
        if missing:
            print("soak: missing in %s: %s" % (rig.bin, " ".join(missing)))
            return 2
        rig.ensure_prefix()
        host = rig.start_host(name="soak")
        mark = host.mark()
        started = time.monotonic()
        code, out = rig.pmcmd("soak-story", exchanges, timeout=1800)
        seconds = time.monotonic() - started
        for line in out.strip().splitlines():
            print("pmcmd  " + line)
        if "usage:" in out:
            print("soak: this pmcmd has no \"soak-story\" (bench/RESULTS.md says what pmcmd needs for the stand-in)")
            return 2
        entries = host.since(mark)
        checked, problems = verify(entries)
        xs = [e for e in entries if e["kind"] in ("command", "query")]
        host_seconds = xs[-1]["t"] - xs[0]["t"] if len(xs) > 1 else 0
        sent = re.search(r"(\d+) exchanges \((\d+) commands, (\d+) queries\)", out)
        sent_count = int(sent.group(1)) if sent else -1
        lost = re.search(r"failures (\d+), lost (\d+)", out)
        print("host   %d exchanges received in %.2f s: %.0f exchanges/s (pmcmd's run %.1f s with start-up)" %
              (checked, host_seconds, checked / host_seconds if host_seconds else 0, seconds))
        for p in problems:
            print("host   " + p)
        lost_total = (sent_count - checked if sent_count >= 0 else 1) + len(problems)
        if lost:
            lost_total += int(lost.group(1)) + int(lost.group(2))
        print("soak: %d exchanges sent, %d received by the host, %d lost or out of order" %
              (sent_count, checked, lost_total))
        return 0 if code == 0 and lost_total == 0 else 1


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (RigError, subprocess.SubprocessError) as e:
        print("soak: %s" % e)
        sys.exit(1)
