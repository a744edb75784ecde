#!/usr/bin/env python3
"""The speaker check's cost per paragraph against a run's, under Wine, on a
real play (../shared/plays, laid out by standin/generate_play.py --tei).

Rolemark is started as the host starts it, with a cast of one name that no
paragraph opens with, so that a run reads every paragraph's start and
formats nothing: the run's cost of a paragraph without a name. Then
"Проверить" and "Выполнить" are pressed in turn, --pairs times each,
alternating which goes first, over the whole story without the style
filter (every paragraph read). Both are timed by the lean host stand-in's
clock: the median time between two paragraph steps ("TextCursor 6 1").

Prints, per pair, the check's and the run's median paragraph time, and the
headline: the check's time over the run's (goal <= 1.0, as it sends the same
exchanges, reading 64 characters instead of the longest name's). Under
each pair, the steps of the paragraph cycle where the check spends the most
beyond the run. Also Rolemark's private resident memory (RssAnon of its Wine process) before and
after each check and each run.

    bench/check/check [--play lermontov-maskarad.xml] [--pairs 3] [--keep DIR]

Environment as for the rig (tools/rig): ROLEMARK_OUT, ROLEMARK_ARCH, WINEPREFIX, DISPLAY.
"""
import argparse
import json
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "bench", "run"))
sys.path.insert(0, os.path.join(ROOT, "standin"))
import generate_play  # noqa: E402
from run import cycles, exchanges, extra_time, linux_memory, median, wait_for_run  # noqa: E402
from rig import Rig, RigError  # noqa: E402

PLAYS = os.path.join(os.path.dirname(ROOT), "shared", "plays")
NOBODY = "Никто"


def press(rig, host, button, watch_memory):
    """One press of `button`: the median host seconds of a paragraph step,
    the paragraphs stepped over, Rolemark's RssAnon (KiB) before and after
    (or None), and the exchanges."""
    before = linux_memory(rig) if watch_memory else None
    mark = host.mark()
    if not rig.ui("press", button).ok:
        raise RigError("cannot press " + button)
    entries = wait_for_run(host, mark, 1200)
    done = rig.ui("wait-idle", "30000", "no-box", "200")
    if not done.ok or not entries or entries[-1].get("text") != "SuppressAutosave 0":
        raise RigError("%s did not end normally: %s" % (button, done.error))
    after = linux_memory(rig) if watch_memory else None
    steps = cycles(exchanges(entries))
    return median(steps), len(steps) + 1, before, after, exchanges(entries)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--play", default="lermontov-maskarad.xml")
    parser.add_argument("--pairs", type=int, default=3)
    parser.add_argument("--keep", help="keep the session folder here")
    args = parser.parse_args(argv)
    with Rig("ru_RU.UTF-8", work=args.keep) as rig:
        rig.ensure_prefix()
        pub = os.path.join(rig.work, "play.json")
        with open(pub, "w", encoding="utf-8") as f:
            json.dump(generate_play.tei_publication(os.path.join(PLAYS, args.play)), f, ensure_ascii=False)
        host = rig.start_host(pub=pub, lean=True)
        rig.seed_registry()
        rig.start_rolemark()
        if not rig.ui("wait-idle", "60000", "tab", 1, "add-name", NOBODY, "click", "EntireTextRadio", "tab", 3).ok:
            raise RigError("cannot set up the window")
        print("bench/check: %s, %d cores, load %s; lean host, %d pairs" % (
            args.play, os.cpu_count(), open("/proc/loadavg").read().split()[0], args.pairs), flush=True)
        ratios = []
        for n in range(args.pairs):
            order = ("CheckButton", "Button2") if n % 2 == 0 else ("Button2", "CheckButton")
            times = {}
            for button in order:
                times[button] = press(rig, host, button, True)
            check, paragraphs, before, after, checked = times["CheckButton"]
            run, ran = times["Button2"][0], times["Button2"][4]
            ratios.append(check / run)
            run_before, run_after = times["Button2"][2:4]
            memory = ("RssAnon %d -> %d KiB, the run's %d -> %d KiB" % (before[1], after[1], run_before[1], run_after[1])
                      if before and after and run_before and run_after else "memory not read")
            print("  pair %d: %d paragraphs; check %.3f ms, run %.3f ms a paragraph (%.2f); check's %s" % (
                n + 1, paragraphs, check * 1000, run * 1000, check / run, memory), flush=True)
            print("          where the check takes longer (host's wait after one exchange before the next, summed): %s" %
                  "; ".join("%s %d x %.0f ms" % (pair, count, extra * 1000) for pair, count, extra in extra_time(checked, ran)))
        print("check / run, time a paragraph without a name: %.2f median of %d pairs (goal <= 1.0)" %
              (median(ratios), len(ratios)))
        rig.ui("close", "wait-gone", "15000")
        host.stop()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except RigError as e:
        print("bench/check: failed: %s" % e)
        sys.exit(1)
