#!/usr/bin/env python3
"""The formatting run's speed under Wine, against a bare replay of the very
same exchanges.

For each play size (generated plays, half the paragraphs opening with a name
of a cast of 40), Rolemark is started as the host starts it, the cast opened
through its dialog, and "Выполнить" pressed for each of four settings: the
whole story and the selected paragraphs (the whole story selected), each with
and without the style filter. The host stand-in's transcript of each run is
then played back by bare_replay.exe (plain DDEML, no Rolemark code) on the
same host, whose story and selection are by then as they were when the run
began, so every reply must come back the same.

The host is the lean stand-in (pmstandin --lean: no view, the transcript
written when a conversation ends), so that the host's own cost does not
dilute the client's; --viewed-host takes the stand-in with its view. Each
setting runs --pairs pairs of a Rolemark run and a replay, alternating which
goes first; the headline is the median of the pairs' ratios.

Both are timed by the host, from the first exchange to the last (its
transcript's clock), so neither side's start-up or polling counts. While a
run goes on nothing talks to Rolemark's window: the end is seen in the
transcript.

Prints, per size and setting, paragraphs per second of Rolemark and of the
replay and their ratio (the headline: goal >= 0.8); the time ratio of the
largest and the second-largest size (goal <= 4.4 for 8,000 / 2,000); and
Rolemark's private resident memory (RssAnon of its Wine process) before and
after each run on the largest play (goal: growth < 1 MiB).

    bench/run/run [--sizes 500,2000,8000] [--settings all|plain|whole] [--pairs 3] [--viewed-host] [--keep DIR]
    bench/run/run --clipboard-tool MS [--sizes 2000] [--pairs 3]

With --clipboard-tool, a host whose Copy tries the clipboard once, and
whole-story runs alone (no replay) in alternating pairs: one while
clipboard_holder.exe opens the clipboard for MS ms after every change (the
clipboard sync of a remote desktop), one without it. Each run must format
exactly the names the play opens its paragraphs with; prints both times,
their ratio and the Copies made.

Under each row, the host's median wait before an exchange by the kinds of
it and the one before (command -> command and so on), for both sides; and
the steps of the paragraph cycle where Rolemark spends the
most time beyond the replay: the host's wait between two exchanges, summed
over the run for each pair of exchange words (what Rolemark does between
them is where the time goes).

Environment as for the rig (tools/rig): ROLEMARK_OUT (the
programs of the build ROLEMARK_ARCH names, bare_replay.exe among them),
WINEPREFIX, DISPLAY.
"""
import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
from rig import Rig, RigError, story_model as model, winpath

CAST_SIZE = 40
FILTER_STYLE = "Реплика"
SETTINGS = [  # (label, selected paragraphs, style filter)
    ("whole story", False, None),
    ("whole story, style filter", False, FILTER_STYLE),
    ("selected paragraphs", True, None),
    ("selected paragraphs, style filter", True, FILTER_STYLE),
]
# A run whose transcript does not grow this long has stopped. The lean host
# writes its transcript only when the run's conversation ends.
STALL_SECONDS = {"viewed": 30, "lean": 1200}


def generate(work, paragraphs):
    play, cast = os.path.join(work, "play%d.json" % paragraphs), os.path.join(work, "cast%d.txt" % paragraphs)
    subprocess.run([sys.executable, os.path.join(ROOT, "standin", "generate_play.py"), "--paragraphs", str(paragraphs),
                    "--cast", str(CAST_SIZE), "--seed", "1", "--out", play, "--words", cast], check=True)
    return play, cast


def exchanges(entries):
    """The commands and queries of a transcript slice (no events)."""
    return [e for e in entries if e["kind"] in ("command", "query")]


def wait_for_run(host, mark, stall):
    """Follows the transcript (reading only what is new) until the run sends
    its last command, or stops growing. Returns the run's entries."""
    entries, offset, pending, quiet_since = [], 0, b"", time.monotonic()
    while True:
        with open(host.transcript_path, "rb") as f:
            f.seek(offset)
            data = f.read()
        offset += len(data)
        lines = (pending + data).split(b"\n")
        pending = lines.pop()  # a line still being written
        entries += [json.loads(l.decode("utf-8", "replace")) for l in lines if l]
        if lines:
            quiet_since = time.monotonic()
        elif time.monotonic() - quiet_since > stall:
            return entries[mark:]
        if len(entries) > mark and any(e.get("text") == "SuppressAutosave 0" for e in entries[mark:][-3:]):
            return entries[mark:]
        time.sleep(0.5)


def span(entries):
    """Seconds from the first exchange to the last, by the host's clock."""
    xs = exchanges(entries)
    return xs[-1]["t"] - xs[0]["t"] if len(xs) > 1 else 0.0


def replay_script(entries, codepage):
    """The run's exchanges as bare_replay steps, with the clipboard steps
    where the run takes them: emptied before each Copy, read (after letting
    messages through) once the state question after it is answered."""
    lines, after_copy = [], False
    for e in exchanges(entries):
        text = e["text"]
        if e["kind"] == "command":
            if text == "Copy":
                lines.append("E")
                after_copy = True
            lines.append("C\t" + text)
        else:
            lines.append("Q\t%s\t%s" % (text, e.get("reply") or ""))
            if after_copy and text == "GetPMState":
                lines += ["P", "R"]
                after_copy = False
    return ("\n".join(lines) + "\n").encode(codepage)


def linux_memory(rig):
    """VmRSS and RssAnon (KiB) of the Wine process running rolemark.exe."""
    for pid in rig.stray_processes("rolemark.exe"):
        fields = {}
        try:
            with open("/proc/%d/status" % pid) as f:
                for line in f:
                    key, _, value = line.partition(":")
                    fields[key] = value.strip()
        except OSError:
            continue
        if "RssAnon" in fields:
            return int(fields["VmRSS"].split()[0]), int(fields["RssAnon"].split()[0])
    return None


def set_options(rig, host, selected, style_filter):
    """The scope and the filter, set through the window; the host's selection:
    the whole story for a selected-paragraphs run, else an insertion point at
    its start."""
    state = rig.ui("get", "UseStyleCheckBox")
    commands = ["tab", 1, "click", "SelParaRadio" if selected else "EntireTextRadio"]
    if bool(style_filter) != bool(state.checked("UseStyleCheckBox")):
        commands += ["click", "UseStyleCheckBox"]
    if style_filter:
        commands += ["choose", "SrcStyleCombo", style_filter]
    shown = rig.ui(*commands)
    if not shown.ok:
        raise RigError("cannot set the options: %s" % shown.error)
    host.execute("TextCursor 10 1")
    story, _, length = host.query("GetTextCursor").split(",")
    host.execute("SetTextCursor %s 0 %s" % (story, length if selected else "0"))


def cycles(entries):
    """Host seconds between successive paragraph steps ("TextCursor 6 1")."""
    times = [e["t"] for e in entries if e["text"] == "TextCursor 6 1"]
    return [b - a for a, b in zip(times, times[1:])]


def median(values):
    return statistics.median(values) if values else float("nan")


def rolemark_run(rig, host, watch_memory, refusals=()):
    """One press of "Выполнить": the run's transcript entries and Rolemark's
    memory before and after (or None). A command whose word is in
    `refusals` may be refused."""
    before = linux_memory(rig) if watch_memory else None
    mark = host.mark()
    pressed = rig.ui("press", "Button2")
    if not pressed.ok:
        raise RigError("cannot press the button: %s" % pressed.error)
    entries = wait_for_run(host, mark, STALL_SECONDS[host.kind])
    done = rig.ui("wait-idle", "30000", "no-box", "200")
    if not done.ok or not entries or entries[-1].get("text") != "SuppressAutosave 0":
        box = rig.ui("box", "1000")
        raise RigError("the run did not end normally: %s %r" % (done.error, box.boxes()))
    after = linux_memory(rig) if watch_memory else None
    run = exchanges(entries)
    refused = [e["text"] for e in run if not e.get("ok", True) and e["text"].split(" ")[0] not in refusals]
    if refused:
        raise RigError("the host refused %r" % refused[:3])
    return run, before, after


def replay_run(rig, host, script, run):
    """The bare replay of `script` (the exchanges of `run`): its exchanges and
    its working set before and after (or None)."""
    mark = host.mark()
    code, out = rig.wine(rig.program("bare_replay.exe"), winpath(script), timeout=1200, stem="replay")
    replay = exchanges(host.since(mark))
    if code != 0 or len(replay) != len(run):
        raise RigError("the bare replay failed (%d, %d of %d exchanges): %s" % (code, len(replay), len(run), out.strip()))
    memory = re.search(r"working set (\d+) -> (\d+) KiB", out)
    return replay, tuple(map(int, memory.groups())) if memory else None


def gaps_by_kind(run):
    """The host's median wait before an exchange, by the kinds of it and the
    one before (command -> command and so on): what the client spends
    between two exchanges."""
    gaps = {}
    for a, b in zip(run, run[1:]):
        gaps.setdefault("%s -> %s" % (a["kind"], b["kind"]), []).append(b["t"] - a["t"])
    return {kind: median(values) for kind, values in gaps.items()}


def measure(rig, host, work, paragraphs, label, selected, style_filter, watch_memory, pairs):
    """`pairs` pairs of a Rolemark run and a bare replay of its exchanges,
    alternating which goes first."""
    set_options(rig, host, selected, style_filter)
    script = os.path.join(work, "replay-%d-%d-%d.txt" % (paragraphs, selected, bool(style_filter)))
    first, before, after = rolemark_run(rig, host, watch_memory)
    with open(script, "wb") as f:
        f.write(replay_script(first, rig.codepage))
    texts = [e["text"] for e in first]
    rows = []
    for n in range(pairs):
        if n == 0:
            run = first
            replay, replay_memory = replay_run(rig, host, script, run)
        elif n % 2 == 1:
            replay, _ = replay_run(rig, host, script, first)
            run, _, _ = rolemark_run(rig, host, False)
        else:
            run, _, _ = rolemark_run(rig, host, False)
            replay, _ = replay_run(rig, host, script, first)
        if [e["text"] for e in run] != texts:
            raise RigError("a repeated run sent other exchanges than the first")
        rows.append((run, replay))
    run, replay = rows[0]
    ours, bare = cycles(run), cycles(replay)
    tenth = max(1, len(ours) // 10)
    ratios = [span(b) / span(a) for a, b in rows if span(a) > 0]
    return {"paragraphs": paragraphs, "label": label, "exchanges": len(run),
            "treated": sum(1 for e in run if e["text"] == "TextCursor 6 1"),
            "seconds": median([span(a) for a, _ in rows]), "bare_seconds": median([span(b) for _, b in rows]),
            "ratios": ratios, "pair_median": median(ratios),
            # Per paragraph, robust against a busy neighbour on the machine.
            "cycle": median(ours), "bare_cycle": median(bare),
            "paired": median([b / a for a, b in zip(ours, bare) if a > 0]),
            "first_tenth": median(ours[:tenth]), "last_tenth": median(ours[-tenth:]),
            "before": before, "after": after, "replay_memory": replay_memory,
            "gaps": [gaps_by_kind(a) for a, _ in rows], "bare_gaps": [gaps_by_kind(b) for _, b in rows],
            "extra": extra_time(run, replay)}


def formatted_lengths(run):
    """The lengths of the names a run selected for formatting, in order: a
    name's selection follows the release of the copied window."""
    texts = [e["text"] for e in run]
    return [int(b.split(" ")[2]) for a, b in zip(texts, texts[1:])
            if a.startswith("TextSelect 1 ") and b.startswith("TextSelect 0 ")]


def start_session(rig, paragraphs, name, lean, faults=()):
    """A generated play of `paragraphs` on a host of its own, Rolemark
    started as the host starts it, the play's cast opened through the
    dialog: (the host, the cast's names)."""
    play, cast = generate(rig.work, paragraphs)
    host = rig.start_host(pub=play, name=name, lean=lean, faults=faults)
    host.kind = "lean" if lean else "viewed"
    rig.seed_registry()
    rig.start_rolemark()
    shown = rig.ui("wait-idle", "60000", "tab", 1, "press", "Button5", "open", winpath(cast), "get", "NamesList")
    names, _ = shown.items("NamesList")
    if len(names or []) != CAST_SIZE:
        raise RigError("the cast did not open: %s" % shown.error)
    return host, names


def clipboard_tool(rig, paragraphs, hold_ms, pairs):
    """Whole-story runs against a host whose Copy tries the clipboard once,
    alternately with and without a program holding the clipboard `hold_ms`
    after every change; each must format exactly the expected names."""
    host, names = start_session(rig, paragraphs, "tool%d" % paragraphs, True, [("copy-once", 1)])
    set_options(rig, host, False, None)
    before = host.dump()
    found = model.expected_names(before, names, range(len(before["paragraphs"])))
    expected = [len(found[i].encode(rig.codepage)) for i in sorted(found)]
    times = {True: [], False: []}
    copies = {True: [], False: []}
    for n in range(2 * pairs):
        with_tool = (n % 2 == 0) == (n // 2 % 2 == 0)  # with, without; without, with; ...
        holder = None
        if with_tool:
            ready, release = (os.path.join(rig.work, "tool%d.%s" % (n, s)) for s in ("ready", "release"))
            holder = rig.spawn(rig.program("clipboard_holder.exe"), "--after-change", hold_ms, winpath(ready),
                               winpath(release), 3600, log=os.path.join(rig.work, "tool%d.log" % n))
            deadline = time.monotonic() + 20
            while not os.path.exists(ready) and time.monotonic() < deadline:
                time.sleep(0.05)
        try:
            run, _, _ = rolemark_run(rig, host, False, refusals=("Copy",))
        finally:
            if holder:
                open(release, "w").close()
                holder.wait(timeout=30)
        got = formatted_lengths(run)
        if got != expected:
            raise RigError("%s the tool: %d names formatted, %d expected" % ("with" if with_tool else "without", len(got),
                                                                             len(expected)))
        times[with_tool].append(span(run))
        copies[with_tool].append(sum(1 for e in run if e["text"] == "Copy"))
    rig.ui("close", "wait-gone", "15000")
    host.stop()
    print("%6d  whole story, Copy tries once: %d names exactly as expected every run; clipboard held %d ms after every "
          "change: %.1f s (Copies %s), without: %.1f s (Copies %s); ratio %.2f (medians of %d)" %
          (paragraphs, len(expected), hold_ms, median(times[True]), copies[True], median(times[False]), copies[False],
           median(times[True]) / median(times[False]), pairs), flush=True)


def step_name(entry):
    words = entry["text"].split(" ")
    return " ".join(words[:2]) if words[0] in ("TextCursor", "TextSelect") else words[0]


def extra_time(run, replay, top=3):
    """The pairs of successive exchanges after which Rolemark took longer
    than the replay, most extra time first: (pair, count, extra seconds)."""
    totals = {}
    for i in range(1, min(len(run), len(replay))):
        pair = "%s -> %s" % (step_name(run[i - 1]), step_name(run[i]))
        count, extra = totals.get(pair, (0, 0.0))
        totals[pair] = (count + 1, extra + (run[i]["t"] - run[i - 1]["t"]) - (replay[i]["t"] - replay[i - 1]["t"]))
    ranked = sorted(totals.items(), key=lambda item: -item[1][1])[:top]
    return [(pair, count, extra) for pair, (count, extra) in ranked]


def rate(count, seconds):
    return count / seconds if seconds > 0 else float("nan")


def report_row(r):
    ours, bare = rate(r["treated"], r["seconds"]), rate(r["treated"], r["bare_seconds"])
    print("%6d  %-34s %6d ex   Rolemark %6.1f p/s %6.1f s   bare %6.1f p/s %6.1f s   pairs %s   paired median %.2f   "
          "per paragraph (medians, first pair) %.2f / %.2f ms, paired %.2f" %
          (r["paragraphs"], r["label"], r["exchanges"], ours, r["seconds"], bare, r["bare_seconds"],
           " ".join("%.2f" % x for x in r["ratios"]), r["pair_median"],
           r["cycle"] * 1000, r["bare_cycle"] * 1000, r["paired"]))
    kinds = sorted(set().union(*r["gaps"]))
    print("        median gap before an exchange, Rolemark / bare (ms, median of the pairs): %s" % "; ".join(
        "%s %.3f / %.3f" % (kind, median([g[kind] for g in r["gaps"] if kind in g]) * 1000,
                            median([g[kind] for g in r["bare_gaps"] if kind in g]) * 1000) for kind in kinds))
    print("        more time than the replay after: %s" % "; ".join(
        "%s %+.2f ms x %d = %+.2f s" % (pair, extra * 1000 / count, count, extra) for pair, count, extra in r["extra"]),
        flush=True)


def memory_row(r):
    (rss0, anon0), (rss1, anon1) = r["before"], r["after"]
    line = "        %-34s RssAnon %6d -> %6d KiB (%+5d KiB, %+5.1f B/exchange)" % (
        r["label"], anon0, anon1, anon1 - anon0, (anon1 - anon0) * 1024.0 / r["exchanges"])
    if r["replay_memory"]:
        m0, m1 = r["replay_memory"]
        line += "   bare replay's working set %+5d KiB (%+5.1f B/exchange)" % (m1 - m0, (m1 - m0) * 1024.0 / r["exchanges"])
    print(line, flush=True)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default="500,2000,8000")
    parser.add_argument("--settings", choices=("all", "plain", "whole"), default="all",
                        help="plain: the two without the style filter")
    parser.add_argument("--pairs", type=int, default=3, help="runs of each side per setting, alternating")
    parser.add_argument("--viewed-host", action="store_true",
                        help="the stand-in with its view and its transcript written line by line")
    parser.add_argument("--keep", help="keep the session folder here")
    parser.add_argument("--clipboard-tool", type=int, metavar="MS",
                        help="runs with and without a program holding the clipboard MS ms after every change")
    args = parser.parse_args(argv)
    sizes = sorted(int(s) for s in args.sizes.split(","))
    settings = {"all": SETTINGS, "plain": SETTINGS[::2], "whole": SETTINGS[:1]}[args.settings]

    results = []
    with Rig("ru_RU.UTF-8", work=args.keep) as rig:
        missing = rig.missing_programs("bare_replay.exe")
        if missing:
            print("bench/run: missing in %s: %s" % (rig.bin, " ".join(missing)))
            return 2
        rig.ensure_prefix()
        if args.clipboard_tool is not None:
            print("bench/run: %d cores, %s, %s, load %s; clipboard tool" % (
                os.cpu_count(), cpu_model(), wine_version(rig), open("/proc/loadavg").read().split()[0]), flush=True)
            for paragraphs in sizes:
                clipboard_tool(rig, paragraphs, args.clipboard_tool, args.pairs)
            return 0
        print("bench/run: %d cores, %s, %s, load %s; %s host, %d pairs" % (
            os.cpu_count(), cpu_model(), wine_version(rig), open("/proc/loadavg").read().split()[0],
            "viewed" if args.viewed_host else "lean", args.pairs), flush=True)
        for paragraphs in sizes:
            host, _ = start_session(rig, paragraphs, "host%d" % paragraphs, not args.viewed_host)
            for label, selected, style_filter in settings:
                r = measure(rig, host, rig.work, paragraphs, label, selected, style_filter, paragraphs == sizes[-1],
                            args.pairs)
                results.append(r)
                report_row(r)
            # The next play comes with a host of its own, and Rolemark ends
            # with the host it was started for.
            rig.ui("close", "wait-gone", "15000")
            host.stop()

    print("\nRolemark / bare replay, all runs: %.2f by total time, %.2f median of the pairs (goal >= 0.9)" %
          (sum(r["bare_seconds"] for r in results) / sum(r["seconds"] for r in results),
           statistics.median(x for r in results for x in r["ratios"])))
    print("load at the end: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))
    if len(sizes) > 1:
        big, small = sizes[-1], sizes[-2]
        print("time %d / %d paragraphs (goal <= %.1f): total time; median paragraph time; last / first tenth of the %d run" %
              (big, small, 1.1 * big / small, big))
        for label, _, _ in settings:
            large = next(r for r in results if r["paragraphs"] == big and r["label"] == label)
            short = next(r for r in results if r["paragraphs"] == small and r["label"] == label)
            print("        %-34s Rolemark %.2f; %.2f; %.2f   bare replay %.2f" %
                  (label, large["seconds"] / short["seconds"], big / small * large["cycle"] / short["cycle"],
                   large["last_tenth"] / large["first_tenth"], large["bare_seconds"] / short["bare_seconds"]))
    print("\nRolemark's private resident memory (RssAnon of its Wine process) around each run of %d paragraphs:" % sizes[-1])
    for r in results:
        if r["before"] and r["after"]:
            memory_row(r)
    return 0


def cpu_model():
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                return line.split(":", 1)[1].strip()
    return "unknown CPU"


def wine_version(rig):
    p = subprocess.run([rig.wine_program, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return p.stdout.decode().strip()


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except RigError as e:
        print("bench/run: %s" % e)
        sys.exit(1)
