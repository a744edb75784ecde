#!/usr/bin/env python3
"""Rolemark's start under Wine, from the plug-in's `main` to the filled
window, against a bare Win32 window started the same way.

The host stand-in holds a publication with 2,000 fonts and 200 styles.
start_watch.exe plays the host: for Rolemark it calls the plug-in's `main`
(which writes the registry hand-off and starts the program through the
shell); for the yardstick it starts bare_dialog.exe through the shell
itself. Both programs then fill three lists from the host over DDE (styles
twice, fonts once) with the same exchanges; the watcher stops the clock when
the lists are full, then closes the window.

Prints every start, the medians and the ratio Rolemark / bare.

    bench/start/start [--rounds 5]

Environment as for the rig (tools/rig).
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
import rig as rigmod
from rig import Rig, RigError, winpath

FONTS, STYLES = 2000, 200
FAMILIES = ["Academy", "Baltica", "Courier", "Garamond", "Journal", "Literaturnaya", "Pragmatica", "Schoolbook", "Tahoma",
            "Times"]


def publication(path):
    """The sample play with FONTS fonts and STYLES styles."""
    with open(rigmod.SAMPLE_PLAY, encoding="utf-8") as f:
        play = json.load(f)
    play["fonts"] = [{"name": "%s %04d Cyr" % (FAMILIES[i % len(FAMILIES)], i), "info": [4, 204, 18]}
                     for i in range(FONTS)]
    play["fonts"][0]["name"] = "Times New Roman Cyr"
    extra = [{"name": "Стиль %03d" % i, "font": play["fonts"][i]["name"], "size": 8 + i % 10}
             for i in range(STYLES - len(play["styles"]))]
    play["styles"] += extra
    with open(path, "w", encoding="utf-8") as f:
        json.dump(play, f, ensure_ascii=False)


def timed(rig, *args):
    code, out = rig.wine(rig.program("start_watch.exe"), *args, timeout=120, stem="watch")
    m = re.search(r"shown (\d+) ms, filled (\d+) ms", out)
    if code != 0 or not m:
        raise RigError("start_watch %s: %s" % (" ".join(map(str, args)), out.strip()))
    return int(m.group(1)), int(m.group(2))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=5)
    args = parser.parse_args(argv)
    with Rig("ru_RU.UTF-8") as rig:
        missing = rig.missing_programs("start_watch.exe", "bare_dialog.exe")
        if missing:
            print("bench/start: missing in %s: %s" % (rig.bin, " ".join(missing)))
            return 2
        rig.ensure_prefix()
        pub = os.path.join(rig.work, "catalogue.json")
        publication(pub)
        rig.start_host(pub=pub)
        print("bench/start: %d fonts, %d styles; %d cores, load %s" %
              (FONTS, STYLES, os.cpu_count(), open("/proc/loadavg").read().split()[0]), flush=True)
        ours, bare = [], []
        for n in range(args.rounds):
            # A fresh key each time: no LastRun, so the plug-in starts the program.
            rig.seed_registry()
            plugin = winpath(rig.program("rmaddin.add"))
            program = winpath(rig.program("bare_dialog.exe"))
            first, second = (("Rolemark", "TRolemark", "plugin", plugin, ours), ("bare", "BareFillDialog", "shell", program, bare))
            for name, window, how, target, into in ((first, second) if n % 2 == 0 else (second, first)):
                shown, filled = timed(rig, window, FONTS, STYLES, how, target)
                into.append(filled)
                print("round %d  %-8s window shown %5d ms, lists filled %5d ms" % (n + 1, name, shown, filled), flush=True)
        m_ours, m_bare = statistics.median(ours), statistics.median(bare)
        print("\nmedian: Rolemark %d ms, bare Win32 window %d ms; ratio %.2f" % (m_ours, m_bare, m_ours / m_bare))
        # The two starts of a round ran side by side in time: their ratio is
        # steadier than the ratio of medians when the machine's load changes.
        print("paired median (Rolemark / bare of each round): %.2f; load at the end %s" % (
            statistics.median(a / b for a, b in zip(ours, bare)), " ".join(open("/proc/loadavg").read().split()[:3])))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (RigError, subprocess.SubprocessError) as e:
        print("bench/start: %s" % e)
        sys.exit(1)
