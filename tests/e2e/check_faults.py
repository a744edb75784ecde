#!/usr/bin/env python3
# group: wine
# not emulated
"""What Rolemark does when things go wrong around it, end to end under Wine:
the host stand-in is told to commit one fault (refuse a command, answer a
query empty or too late, stay busy, end the conversation, quit, stop moving
its insertion point), another program holds the clipboard, the name file is
hostile, or the registry holds values of the wrong type or size.

Each run fault has a session of its own: host, registry, Rolemark started
through the plug-in, the sample cast opened through the dialog, a whole-story
run. Its fault is placed at an exchange worked out from a clean session first
(the baseline), which also shows the undisturbed run. After every fault:
- the message is the one expected, byte for byte, in the application's error
  box ("Rolemark", with a full stop added) or the state box, or none at all;
- it came in bounded time (no hang) and the program still runs;
- the link is closed: Rolemark keeps no DDE conversation window;
- the decimal separator is the user's again (the window shows a comma), the
  progress bar is hidden;
- the story holds the formatting applied before the fault and nothing else
  changed (the host's dump against story_model);
- a second run, with the fault spent, formats the whole story.

Prints a line per check, then the table "fault | expected | observed", then
'N passed, N failed'. ROLEMARK_CASES=word,word runs only the cases whose
function names hold one of the words (the baseline always runs).

Left out where the i686 build runs under qemu's emulation ('# not emulated'):
there the file dialog of a session's first open does not always come.
"""
import json
import os
import sys
import time

import rig as rigmod
from rig import Rig, RigError, story_model as model, winpath

ERROR_CAPTION = "Rolemark"
STATE_CAPTION = "Проблемы при работе"
QUERY_FAILED = "Не могу получить данные от PageMaker - %s."
COMMAND_FAILED = "Не могу выполнить команду PageMaker - %s."
NO_NUMBER = "Невозможно извлечь числовое значение из строки %s, с позиции %d до %d."
NO_CLIPBOARD = "Не удалось открыть буфер обмена: его занимает другая программа."
# Under Wine 8 a busy acknowledgement reaches the client as a refusal (no
# status word comes with the completion), so both give this message there.
REFUSED = "PageMaker не выполнил команду «%s» (абзац %d)."
TEXT_MODE = "Сначала перейдите в текстовый режим"
# Wine's DDE Management Library keeps one hidden top-level window of this
# class for each conversation a client has open (measured under Wine 8: one
# while a run waits for a reply, none once the link is closed).
CONVERSATION_WINDOW = "WineDdeClientA"
# The walk step after which a mid-run fault strikes (0-based paragraph).
FAULT_PARAGRAPH = 5


class Results(rigmod.Results):
    """The tally, and the matrix's rows: fault, expected, observed."""

    def __init__(self):
        super().__init__()
        self.table = []

    def row(self, fault, expected, observed):
        self.table.append((fault, expected, observed))


R = Results()


def exchanges(entries):
    return [e for e in entries if e["kind"] in ("command", "query")]


def box_text(boxes):
    return "; ".join("%s [%s]: %s" % b for b in boxes) if boxes else "no message"


class KeepAttribute:
    """The run's formatting with one attribute left as it was: what a name
    gets when the host refused the command that sets that attribute."""

    def __init__(self, base, attribute):
        self.base, self.kept = base, model.ATTRIBUTES.index(attribute)

    def apply(self, record):
        applied = list(self.base.apply(record))
        applied[self.kept] = record[self.kept]
        return tuple(applied)


def compare_story(before, after, cast, settings, treated, overrides=None):
    """Problems of `after` against `before` with the names of the paragraphs
    `treated` formatted (`overrides` as in story_model.compare)."""
    formatted = model.expected_names(before, cast, treated)
    problems, _ = model.compare(before, after, formatted, settings, overrides=overrides)
    return problems


def window_settings(rig, separator):
    """The formatting the window's second page shows (what a run applies)."""
    names = ("FontCombo", "SizeEdit", "TrackingCombo", "KerningEdit", "WidthEdit", "BaseShiftEdit", "BoldCheck",
             "ItalicCheck")
    shown = rig.ui(*[c for n in names for c in ("get", n)])
    fonts, chosen = shown.items("FontCombo")
    _, track = shown.items("TrackingCombo")

    def number(name):
        return float(shown.text(name).replace(separator, "."))
    return model.RunSettings(font=fonts[chosen] if fonts and chosen >= 0 else "", size=number("SizeEdit"),
                             track=track, kern=number("KerningEdit"), width=number("WidthEdit"),
                             bold=shown.checked("BoldCheck") == 1, italic=shown.checked("ItalicCheck") == 1,
                             shift=number("BaseShiftEdit"))


def conversations(rig):
    """DDE conversation windows that rolemark.exe keeps."""
    code, out = rig.wine(rig.program("top_windows.exe"), "rolemark.exe", timeout=30)
    return sum(1 for line in out.splitlines() if line.split()[3:4] == [CONVERSATION_WINDOW])


class Session:
    """One host and one Rolemark, prepared the same way every time: the
    sample play, the sample cast opened through the dialog, a whole-story
    run chosen; `before` is the host's dump just before the run."""

    def __init__(self, rig, label, faults=(), pub=None):
        self.rig, self.label = rig, label
        self.host = rig.start_host(pub=pub, faults=faults, name=label.replace(" ", "-"))
        rig.seed_registry()
        rig.start_rolemark()
        with open(rigmod.SAMPLE_CAST, "rb") as f:
            self.cast = model.read_cast(f.read().decode(rig.codepage))

    def prepare(self):
        shown = self.rig.ui("wait-idle", "15000", "tab", 1, "press", "Button5", "open", winpath(rigmod.SAMPLE_CAST),
                            "click", "EntireTextRadio", "get", "NamesList")
        names, _ = shown.items("NamesList")
        if sorted(names or []) != sorted(self.cast):
            raise RigError("%s: the cast did not open: %s" % (self.label, shown.error))
        self.settings = window_settings(self.rig, ",")
        self.before = self.host.dump()
        self.mark = self.host.mark()
        return exchanges(self.host.transcript())

    def press(self, box_ms=30000, meanwhile=None):
        """Presses "Выполнить" (then calls `meanwhile`, if given); returns
        (message boxes seen, seconds until the box appeared)."""
        started = time.monotonic()
        if meanwhile:
            self.rig.ui("press", "Button2")
            meanwhile()
            shown = self.rig.ui("box", str(box_ms), timeout=box_ms / 1000 + 60)
        else:
            shown = self.rig.ui("press", "Button2", "box", str(box_ms), timeout=box_ms / 1000 + 60)
        seconds = time.monotonic() - started
        return shown.boxes(), seconds

    def run_quietly(self, timeout_ms=60000):
        """A whole run that must end without a message: the progress bar
        shown and hidden again, no box, and the run's last exchange sent.
        Returns (what went wrong, "" when nothing; seconds)."""
        started = time.monotonic()
        mark = self.host.mark()
        shown = self.rig.ui("press", "Button2", "watch-progress", str(timeout_ms), "wait-idle", "15000", "no-box", "500",
                            timeout=timeout_ms / 1000 + 60)
        seconds = time.monotonic() - started
        if not shown.ok:
            boxes = self.rig.ui("box", "1000").boxes()
            return "%s; %s" % (shown.error, box_text(boxes)), seconds
        ended = exchanges(self.host.since(mark))
        if not ended or ended[-1]["text"] != "SuppressAutosave 0":
            return "the run stopped at %r" % (ended[-1]["text"] if ended else None), seconds
        return "", seconds

    def run_entries(self):
        """This session's run so far: the exchanges since the press."""
        return exchanges(self.host.since(self.mark))

    def window_state(self):
        """(the size field's text after leaving it, the progress bar shown)."""
        shown = self.rig.ui("tab", 2, "leave", "SizeEdit", "get", "SizeEdit", "get", "ProgressBar", "tab", 1)
        bar = shown.rows("control", "ProgressBar")
        return shown.text("SizeEdit"), (bar[-1][5] == "1") if bar else None


# --- the baseline


class Baseline:
    """A clean session: what comes before the run (so that faults can be
    placed at an exchange of the run) and the run itself."""

    def __init__(self, rig):
        s = Session(rig, "baseline")
        before_run = s.prepare()
        self.exchanges_before = len(before_run)
        self.states_before = sum(1 for e in before_run if e["text"] == "GetPMState")
        self.before_run = [e["text"] for e in before_run]
        error, seconds = s.run_quietly()
        self.run = s.run_entries()
        self.texts = [e["text"] for e in self.run]
        self.replies = [e.get("reply") for e in self.run]
        self.selection = self.replies[self.texts.index("GetTextCursor")]
        after = s.host.dump()
        problems = compare_story(s.before, after, s.cast, s.settings, range(len(s.before["paragraphs"])))
        R.check("no fault: the run ends without a message", "", error)
        R.true("no fault: every name formatted, nothing else changed", not problems, "; ".join(problems[:5]))
        R.check("no fault: the link is closed afterwards", 0, conversations(rig))
        self.paragraphs = len(s.before["paragraphs"])
        self.formatted = len(model.expected_names(s.before, s.cast, range(self.paragraphs)))
        R.row("none", "no message; %d names formatted" % self.formatted,
              "%s; %d exchanges, %.1f s" % (error or "no message", len(self.run), seconds))
        rig.ui("close", "wait-gone", "15000")
        s.host.stop()

    def walk_reply(self, paragraph):
        """1-based number, among the run's exchanges, of the GetTextCursor
        that ends the walk step of `paragraph` (0-based)."""
        seen = -1
        for i, text in enumerate(self.texts):
            if text == "TextCursor 6 1":
                seen += 1
            if seen == paragraph and text == "GetTextCursor":
                return i + 1
        raise RigError("the baseline run has no step %d" % paragraph)

    def nth(self, word, k):
        """The host's count of exchanges with `word` (a fault's Word#N) at
        the run's k-th one."""
        return sum(1 for t in self.before_run if t.split(" ")[0] == word) + k

    def cursor_query(self, paragraph):
        """The host's number of the GetTextCursor that ends the walk step of
        `paragraph`."""
        return self.nth("GetTextCursor", self.texts[:self.walk_reply(paragraph)].count("GetTextCursor"))


# --- faults during a run


def after_fault(s, label, treated, overrides=None, leftover=0):
    """The checks that follow every run fault; returns a short summary.
    `leftover`: conversation windows that Wine keeps although closed."""
    rig = s.rig
    R.check("%s: the link is closed" % label, leftover, conversations(rig))
    size, bar_shown = s.window_state()
    R.true("%s: the window's numbers have their decimal comma again" % label, size and "," in size, repr(size))
    R.check("%s: the progress bar is hidden" % label, False, bar_shown)
    after = s.host.dump()
    problems = compare_story(s.before, after, s.cast, s.settings, treated, overrides)
    R.true("%s: the formatting applied before the fault is kept, nothing else changed" % label, not problems,
           "; ".join(problems[:5]))
    # A second run, the fault spent: the whole story is formatted.
    error, seconds = s.run_quietly()
    R.check("%s: a second run ends without a message" % label, "", error)
    R.check("%s: its link is closed too" % label, leftover, conversations(rig))
    final = s.host.dump()
    problems = compare_story(s.before, final, s.cast, s.settings, range(len(s.before["paragraphs"])))
    R.true("%s: the second run formats every name" % label, not problems, "; ".join(problems[:5]))
    return "second run %s" % ("fine" if not error and not problems else "FAILED")


def fault_session(rig, baseline, label, faults):
    s = Session(rig, label, faults)
    before_run = s.prepare()
    if len(before_run) != baseline.exchanges_before:
        raise RigError("%s: %d exchanges before the run, the baseline had %d" %
                       (label, len(before_run), baseline.exchanges_before))
    return s


def end_session(rig, s):
    try:
        rig.ui("close", "wait-gone", "15000", timeout=30)
    except Exception:
        pass
    s.host.stop()


def refused_command(rig, baseline, option="refuse-command", how="refuses"):
    """The host refuses (or is busy with) the third Font command: the
    commands after it stay sent, and the run ends at its next query with the
    message that names the command and its paragraph. That name lacks only
    its font; the paragraphs after it are left alone."""
    label = "the host %s Font #3" % how
    s = fault_session(rig, baseline, label, [(option, "Font#%d" % baseline.nth("Font", 3))])
    boxes, seconds = s.press()
    refused = [e["text"] for e in s.run_entries() if not e.get("ok", True)]
    R.check("%s: exactly that command refused" % label, 1, len(refused))
    third = sorted(model.expected_names(s.before, s.cast, range(baseline.paragraphs)))[2]
    message = REFUSED % (refused[0] if refused else "Font", third + 1)
    R.check("%s: the message" % label, [(ERROR_CAPTION, "icon", message)], boxes)
    rig.pmcmd("pump", "0", timeout=30)
    R.check("%s: the user's selection given back" % label, baseline.selection, s.host.query("GetTextCursor"))
    summary = after_fault(s, label, range(third + 1), {third: KeepAttribute(s.settings, "font")})
    R.row("host %s a command (Font #3)" % how, "\"%s\"; that name keeps its font, the ones before formatted" % message,
          "%s; %d refused; %s" % (box_text(boxes), len(refused), summary))
    end_session(rig, s)


def busy_command(rig, baseline):
    refused_command(rig, baseline, "busy-command", "is busy with")


def refused_copy(rig, baseline):
    """The host refuses the fifth Copy and is busy with the seventh: each
    is made again, so every name is formatted, without a message."""
    label = "the host refuses Copy #5, busy with #7"
    s = fault_session(rig, baseline, label, [("refuse-command", "Copy#%d" % baseline.nth("Copy", 5)),
                                             ("busy-command", "Copy#%d" % baseline.nth("Copy", 7))])
    error, seconds = s.run_quietly()
    R.check("%s: no message" % label, "", error)
    copies = sum(1 for e in s.run_entries() if e["text"] == "Copy")
    R.check("%s: those two Copies made again" % label, baseline.texts.count("Copy") + 2, copies)
    summary = after_fault(s, label, range(baseline.paragraphs))
    R.row("host refuses Copy #5, busy with Copy #7", "no message; both made again, every name formatted",
          "%s; %d Copies; %s" % (error or "no message", copies, summary))
    end_session(rig, s)


def failing_query(rig, baseline, label, faults, message, limit, row, meanwhile=None, selection_back=False):
    """A query of the walk fails: the run ends with `message` within
    `limit` seconds; the paragraphs up to the fault keep their formatting.
    With `selection_back`, the host has the user's selection again."""
    s = fault_session(rig, baseline, label, faults)
    boxes, seconds = s.press(meanwhile=meanwhile and (lambda: meanwhile(s)))
    R.check("%s: the message" % label, [(ERROR_CAPTION, "icon", message)], boxes)
    R.true("%s: within %d s" % (label, limit), seconds < limit, "%.1f s" % seconds)
    # The host may still be asleep (a delayed reply): let it wake first.
    rig.pmcmd("pump", "0", timeout=30)
    if selection_back:
        # (Asked afterwards: a query before the run would move the fault.)
        R.check("%s: the user's selection given back" % label, baseline.selection, s.host.query("GetTextCursor"))
        row += "; the selection given back"
    summary = after_fault(s, label, range(FAULT_PARAGRAPH + 1))
    R.row(row, "\"%s\" within %d s; %d paragraphs kept" % (message, limit, FAULT_PARAGRAPH + 1),
          "%s after %.1f s; %s" % (box_text(boxes), seconds, summary))
    end_session(rig, s)


def empty_reply(rig, baseline):
    number = baseline.cursor_query(FAULT_PARAGRAPH)
    failing_query(rig, baseline, "empty reply to GetTextCursor", [("empty-reply", "GetTextCursor#%d" % number)],
                  QUERY_FAILED % "GetTextCursor", 5, "empty reply to GetTextCursor", selection_back=True)


def bad_number(rig, baseline):
    """The walk's GetTextCursor answers with a spoilt first number: the run
    ends with the scanner's message naming the reply and the field."""
    number = baseline.cursor_query(FAULT_PARAGRAPH)
    clean = baseline.replies[baseline.walk_reply(FAULT_PARAGRAPH) - 1] or ""
    first = clean.split(",")[0] + "x"
    spoilt = first + clean[len(first) - 1:]
    failing_query(rig, baseline, "malformed number in GetTextCursor", [("bad-number", "GetTextCursor#%d" % number)],
                  NO_NUMBER % (spoilt, 1, len(first) + 2), 5, "malformed number in GetTextCursor")


def delayed_reply(rig, baseline):
    """Past the 10 s a query waits: the run fails on that query; the late
    reply is taken off the link before anything else is sent on it."""
    label = "reply to GetTextCursor after 12 s"
    number = baseline.cursor_query(FAULT_PARAGRAPH)

    def waiting(s):
        # The run waits for the late reply: its conversation is open (this is
        # what makes "no conversation window" mean "the link is closed").
        time.sleep(4)
        R.check("%s: while the run waits, its conversation is seen open" % label, 1, conversations(rig))
    failing_query(rig, baseline, label, [("delay-reply", "GetTextCursor#%d" % number), ("delay-seconds", 12)],
                  QUERY_FAILED % "GetTextCursor", 25, "reply to GetTextCursor delayed 12 s", waiting)


def reply_never_comes(rig, baseline):
    """A query the host never answers: a command on that conversation would
    first wait 10 s for the late reply in vain, and the link could no longer
    carry the clean-up. The old conversation is closed instead, and a fresh
    one gives the user's selection and autosave back."""
    number = baseline.cursor_query(FAULT_PARAGRAPH)
    failing_query(rig, baseline, "no reply to GetTextCursor", [("no-reply", "GetTextCursor#%d" % number)],
                  QUERY_FAILED % "GetTextCursor", 25, "no reply to GetTextCursor", selection_back=True)


def late_acknowledgements(rig, baseline):
    """The host acknowledges the run's last two commands (the selection and
    autosave given back) 400 ms late and drops a command still unacknowledged
    at a terminate, as a client's DdeDisconnect on Windows abandons it: the
    run waits for both before it closes the link."""
    label = "SetTextCursor and SuppressAutosave 0 acknowledged after 400 ms"
    s = fault_session(rig, baseline, label, [
        ("late-ack", "SetTextCursor#%d" % baseline.nth("SetTextCursor", sum(1 for t in baseline.texts
                                                                            if t.split(" ")[0] == "SetTextCursor"))),
        ("late-ack", "SuppressAutosave#%d" % baseline.nth("SuppressAutosave", 2)), ("late-ack-seconds", 0.4)])
    error, seconds = s.run_quietly()
    R.check("%s: no message" % label, "", error)
    dropped = [e for e in s.host.since(s.mark) if e["kind"] == "event" and e["text"] == "dropped at terminate"]
    R.check("%s: nothing dropped at the terminate" % label, [], [e.get("note") for e in dropped])
    R.check("%s: the user's selection given back" % label, baseline.selection, s.host.query("GetTextCursor"))
    autosave_off = s.host.dump()["host"]["autosave_suppressed"]
    R.check("%s: autosave on again" % label, False, autosave_off)
    summary = after_fault(s, label, range(baseline.paragraphs))
    R.row("late acknowledgements (400 ms) of the run's last commands", "no message; selection and autosave given back",
          "%s; %d dropped; autosave %s; %s" % (error or "no message", len(dropped), "off" if autosave_off else "on",
                                               summary))
    end_session(rig, s)


def clipboard_tool(rig, baseline):
    """A program opens the clipboard for 60 ms after every change (clipboard
    sync of a remote desktop or virtual machine) and the host's Copy tries
    the clipboard once: every name is formatted all the same."""
    label = "clipboard opened 60 ms after every change, Copy tries once"
    s = fault_session(rig, baseline, label, [("copy-once", 1)])
    ready, release = os.path.join(rig.work, "tool.ready"), os.path.join(rig.work, "tool.release")
    log = os.path.join(rig.work, "tool.log")
    holder = rig.spawn(rig.program("clipboard_holder.exe"), "--after-change", 60, winpath(ready), winpath(release), 300,
                       log=log)
    for _ in rigmod.deadline_loop(20):
        if os.path.exists(ready):
            break
    try:
        error, seconds = s.run_quietly(timeout_ms=120000)
        problems = compare_story(s.before, s.host.dump(), s.cast, s.settings, range(baseline.paragraphs))
    finally:
        open(release, "w").close()
        holder.wait(timeout=30)
    with open(log, errors="replace") as f:
        held = f.read().strip()
    R.check("%s: no message" % label, "", error)
    R.true("%s: every name formatted, nothing else changed" % label, not problems, "; ".join(problems[:5]))
    R.true("%s: the tool held the clipboard" % label, "held after" in held and " 0 changes" not in held, held)
    copies = sum(1 for e in s.run_entries() if e["text"] == "Copy")
    R.row("clipboard held 60 ms after every change; Copy tries once", "no message; every name formatted",
          "%s; %d Copies for %d paragraphs, %.1f s; %s" % (error or "no message", copies, baseline.paragraphs, seconds,
                                                          "fine" if not problems else "WRONG"))
    end_session(rig, s)


def busy_at_start(rig, baseline):
    """LongOperation is off, so nothing waits for the busy state: the run's
    own state question meets it and gives the state message."""
    label = "host busy at the run's start"
    s = fault_session(rig, baseline, label, [("busy", 1), ("busy-from", baseline.states_before + 1)])
    boxes, seconds = s.press()
    R.check("%s: the state message" % label, [(STATE_CAPTION, "none", TEXT_MODE)], boxes)
    R.check("%s: nothing more is sent" % label, ["GetPMState"], [e["text"] for e in s.run_entries()])
    summary = after_fault(s, label, [])
    R.row("host busy (9) at the run's start", "\"%s\", nothing sent" % TEXT_MODE,
          "%s; %s" % (box_text(boxes), summary))
    end_session(rig, s)


def busy_during_run(rig, baseline):
    """Busy from the second state question on, for a long time: the walk's
    state questions only make sure earlier commands are done, so the run
    neither waits nor changes."""
    label = "host busy during the run"
    s = fault_session(rig, baseline, label, [("busy", 100000), ("busy-from", baseline.states_before + 2)])
    error, seconds = s.run_quietly()
    R.check("%s: no message" % label, "", error)
    texts = [e["text"] for e in s.run_entries()]
    R.check("%s: the same exchanges as without the fault (no waiting)" % label, baseline.texts, texts)
    busy = sum(1 for e in s.run_entries() if e["text"] == "GetPMState" and e.get("reply") == "9")
    after = s.host.dump()
    problems = compare_story(s.before, after, s.cast, s.settings, range(baseline.paragraphs))
    R.true("%s: every name formatted, nothing else changed" % label, not problems, "; ".join(problems[:5]))
    R.check("%s: the link is closed" % label, 0, conversations(rig))
    R.row("host busy (9) for long during the run", "no message, no waiting: the run as without the fault",
          "%s; %d busy answers; %.1f s" % (error or "no message", busy, seconds))
    end_session(rig, s)


def dropped_conversation(rig, baseline):
    """The host ends the conversation right after answering the walk's
    GetTextCursor of paragraph FAULT_PARAGRAPH. The next command still goes
    out (nobody has read the host's terminate yet); the query after it gets
    no reply and fails after its 10 s.

    NOTE: Wine 8 keeps a conversation that the server has ended, and its
    window, until the program's DDE instance ends (DdeDisconnect refuses a
    conversation no longer connected), so one window stays after this run,
    and no more after the next one."""
    label = "the host ends the conversation"
    n = baseline.exchanges_before + baseline.walk_reply(FAULT_PARAGRAPH)
    s = fault_session(rig, baseline, label, [("drop-after", n)])
    boxes, seconds = s.press()
    message = QUERY_FAILED % "GetPMState"
    R.check("%s: the message" % label, [(ERROR_CAPTION, "icon", message)], boxes)
    # A query waits up to 10 s for a reply.
    R.true("%s: within 15 s" % label, seconds < 15, "%.1f s" % seconds)
    summary = after_fault(s, label, range(FAULT_PARAGRAPH + 1), leftover=1)
    R.row("conversation dropped mid-run", "\"%s\" within 15 s; %d paragraphs kept" % (message, FAULT_PARAGRAPH + 1),
          "%s after %.1f s; %s" % (box_text(boxes), seconds, summary))
    end_session(rig, s)


def host_quits(rig, baseline):
    """The host quits mid-run: the run fails on the next exchange, and once
    the message is acknowledged Rolemark finds no host window and ends."""
    label = "the host quits"
    n = baseline.exchanges_before + baseline.walk_reply(FAULT_PARAGRAPH)
    s = fault_session(rig, baseline, label, [("quit-after", n)])
    step = baseline.texts[baseline.walk_reply(FAULT_PARAGRAPH):]
    expected = [(ERROR_CAPTION, "icon", COMMAND_FAILED % step[0]), (ERROR_CAPTION, "icon", QUERY_FAILED % step[1])]
    boxes, seconds = s.press()
    R.true("%s: the message names the next exchange" % label, len(boxes) == 1 and boxes[0] in expected,
           "expected one of %r, got %r" % (expected, boxes))
    # The command fails at once once the host's window is gone; a query
    # sent before that gets no reply and fails after its 10 s.
    R.true("%s: within 15 s" % label, seconds < 15, "%.1f s" % seconds)
    gone = rig.ui("nudge", "wait-gone", "15000", timeout=40)
    R.true("%s: Rolemark ends by itself" % label, gone.ok, gone.error)
    s.host.process.wait(timeout=30)
    after = s.host.load_dump()
    problems = compare_story(s.before, after, s.cast, s.settings, range(FAULT_PARAGRAPH + 1))
    R.true("%s: the formatting applied before is kept, nothing else changed" % label, not problems,
           "; ".join(problems[:5]))
    R.row("host program quits mid-run", "the next exchange's message within 15 s, then Rolemark ends; %d paragraphs kept"
          % (FAULT_PARAGRAPH + 1), "%s after %.1f s; Rolemark %s" % (box_text(boxes), seconds,
                                                                     "ended" if gone.ok else "STILL THERE"))
    s.host.stop()


def stalled_walk(rig, baseline):
    """The host's "TextCursor 6 1" after paragraph FAULT_PARAGRAPH does not
    move: the walk stops there, gives the selection back and ends normally."""
    label = "the insertion point does not move"
    s = fault_session(rig, baseline, label, [("stall-paragraph", sum(1 for t in baseline.before_run if t == "TextCursor 6 1") + FAULT_PARAGRAPH + 1)])
    cursor = s.host.query("GetTextCursor")
    error, seconds = s.run_quietly(timeout_ms=20000)
    R.check("%s: no message, no hang" % label, "", error)
    texts = [e["text"] for e in s.run_entries()]
    R.check("%s: the walk stops at the step that did not move" % label, FAULT_PARAGRAPH + 1,
            texts.count("TextCursor 6 1"))
    R.check("%s: the selection back, autosave on again" % label, [cursor, "SuppressAutosave 0"],
            [s.host.query("GetTextCursor"), texts[-1] if texts else None])
    summary = after_fault(s, label, range(FAULT_PARAGRAPH + 1))
    R.row("TextCursor 6 1 does not move", "no message; the walk stops after %d paragraphs" % (FAULT_PARAGRAPH + 1),
          "%s; %d steps, %.1f s; %s" % (error or "no message", texts.count("TextCursor 6 1"), seconds, summary))
    end_session(rig, s)


def held_clipboard(rig, baseline):
    """Another program holds the clipboard open: the run gives up after a
    short retry with the clipboard's message, before treating a paragraph."""
    label = "another program holds the clipboard"
    s = fault_session(rig, baseline, label, [])
    ready, release = os.path.join(rig.work, "clip.ready"), os.path.join(rig.work, "clip.release")
    holder = rig.spawn(rig.program("clipboard_holder.exe"), winpath(ready), winpath(release), 120,
                       log=os.path.join(rig.work, "holder.log"))
    for _ in rigmod.deadline_loop(20):
        if os.path.exists(ready):
            break
    try:
        boxes, seconds = s.press()
    finally:
        open(release, "w").close()
        holder.wait(timeout=30)
    R.check("%s: the message" % label, [(ERROR_CAPTION, "icon", NO_CLIPBOARD)], boxes)
    R.true("%s: after a short retry (under 5 s)" % label, seconds < 5, "%.1f s" % seconds)
    R.check("%s: no paragraph treated" % label, 0, sum(1 for e in s.run_entries() if e["text"] == "Copy"))
    summary = after_fault(s, label, [])
    R.row("clipboard held open by another program", "\"%s\" after a short retry; nothing formatted" % NO_CLIPBOARD,
          "%s after %.1f s; %s" % (box_text(boxes), seconds, summary))
    end_session(rig, s)


# --- faults around the run


def failed_style_load(rig, baseline):
    """The first fill's style load meets a spoilt GetSize: once the message
    is dismissed the host is no longer inside the style's definition, so a
    run formats the names and leaves every style as it was."""
    label = "malformed number in the style load's GetSize"
    s = Session(rig, label, [("bad-number", "GetSize#1")])
    shown = rig.ui("box", "15000")
    R.true("%s: the message at start" % label, len(shown.boxes()) == 1 and shown.boxes()[0][0] == ERROR_CAPTION,
           box_text(shown.boxes()))
    # The tracking the failed load did not reach, chosen as the user would.
    rig.ui("tab", 2, "choose-index", "TrackingCombo", "0", "tab", 1)
    s.prepare()
    error, seconds = s.run_quietly()
    R.check("%s: a run ends without a message" % label, "", error)
    problems = compare_story(s.before, s.host.dump(), s.cast, s.settings, range(len(s.before["paragraphs"])))
    R.true("%s: the run formats the names, the styles unchanged" % label, not problems, "; ".join(problems[:5]))
    R.row("style load fails (GetSize at start)", "the message; then a run formats the names, no style changed",
          "%s; run %s" % (box_text(shown.boxes()), "fine" if not error and not problems else "WRONG"))
    end_session(rig, s)


def fields_left_during_run(rig, baseline):
    """The user tabs through the second page's fields while a run goes on
    (the run writes numbers with a full stop): the fields keep their values,
    and the next run formats with them."""
    label = "fields left during a run"
    s = Session(rig, label)
    s.prepare()
    fields = ("SizeEdit", "KerningEdit", "LeadingEdit", "WidthEdit", "BaseShiftEdit")
    before = rig.ui(*[c for f in fields for c in ("get", f)])
    shown_before = [before.text(f) for f in fields]
    shown = rig.ui("press", "Button2", "tab", 2, *[c for f in fields for c in ("leave", f)])
    rig.ui("wait-idle", "60000", timeout=90)
    after = rig.ui(*[c for f in fields for c in ("get", f)])
    shown_after = [after.text(f) for f in fields]
    R.check("%s: the fields show what they showed" % label, shown_before, shown_after)
    rig.ui("tab", 1)
    error, seconds = s.run_quietly()
    problems = compare_story(s.before, s.host.dump(), s.cast, s.settings, range(len(s.before["paragraphs"])))
    R.true("%s: the next run formats with the fields' values" % label, not error and not problems,
           "%s %s" % (error, "; ".join(problems[:5])))
    R.row("fields left during a run", "fields unchanged; the next run formats as before",
          "%s -> %s; %s" % (" ".join(shown_before), " ".join(shown_after) if shown.ok else shown.error,
                            "fine" if not error and not problems else "WRONG"))
    end_session(rig, s)


def bad_font_list(rig, baseline):
    """A font name holding a double quote cuts the font list's reply into
    fields that are not numbers: the first fill stops with the message that
    names the reply and the field, and the window stays usable."""
    label = "a reply that is not a number"
    play_path = os.path.join(rig.work, "quoted-font.json")
    with open(rigmod.SAMPLE_PLAY, encoding="utf-8") as f:
        play = json.load(f)
    play["fonts"].insert(0, {"name": 'Ari"al', "info": [4, 204, 34]})
    with open(play_path, "w", encoding="utf-8") as f:
        json.dump(play, f, ensure_ascii=False)
    host = rig.start_host(pub=play_path, name="quoted-font")
    rig.seed_registry()
    rig.start_rolemark()
    shown = rig.ui("box", "15000")
    reply = next((e.get("reply") for e in host.transcript() if e["text"] == "GetFontList"), "")
    # "N,"Ari"al",...": the quoted text ends at the inner quote; the next
    # field, from just after it and its following character, is al" up to
    # the comma.
    start = len(reply.split(",")[0]) + 1 + len('"Ari"') + 2
    end = reply.index(",", start - 1) + 2
    message = NO_NUMBER % (reply, start, end)
    R.check("%s: the message" % label, [(ERROR_CAPTION, "icon", message)], shown.boxes())
    R.check("%s: the link is closed" % label, 0, conversations(rig))
    styles = rig.ui("wait-idle", "5000", "get", "TargetStyleCombo")
    items, _ = styles.items("TargetStyleCombo")
    R.check("%s: the window stays, with what was filled before" % label, [s["name"] for s in play["styles"]], items)
    R.row("malformed number in a reply (font list, at start)", "\"%s\"" % (NO_NUMBER % ("<reply>", start, end)),
          "%s" % box_text([(c, i, t.replace(reply, "<reply>")) for c, i, t in shown.boxes()]))
    rig.ui("close", "wait-gone", "15000")
    host.stop()


def hostile_name_file(rig, baseline):
    """A name file with a line of 1 MB, bytes of every value and NULs,
    opened through the dialog: the entries are exactly its lines up to the
    first NUL, and a run with them still works."""
    label = "a hostile name file"
    path = os.path.join(rig.work, "hostile.txt")
    binary = bytes(b for b in range(1, 256) if b not in (10, 13, 0x98))  # 0x98 is no character of 1251
    data = ("Анна\r\n".encode("cp1251") + b"X" * (1 << 20) + b"\r\n" + binary + b"\n\r" + "Борис\r".encode("cp1251") +
            b"\r\n\0" + "Вера\r\n".encode("cp1251"))
    with open(path, "wb") as f:
        f.write(data)
    want = model.read_cast(data.decode("cp1251"))
    s = Session(rig, label)
    started = time.monotonic()
    shown = rig.ui("wait-idle", "15000", "tab", 1, "press", "Button5", "open", winpath(path), "click",
                   "EntireTextRadio", "get", "NamesList", timeout=120)
    names, _ = shown.items("NamesList")
    R.true("%s: opened through the dialog without a message" % label, shown.ok, shown.error)
    R.check("%s: the entries are the lines up to the first NUL" % label, sorted(want), sorted(names or []))
    s.cast = want
    s.settings = window_settings(rig, ",")
    s.before = s.host.dump()
    s.mark = s.host.mark()
    error, seconds = s.run_quietly()
    R.check("%s: a run ends without a message" % label, "", error)
    after = s.host.dump()
    problems = compare_story(s.before, after, s.cast, s.settings, range(len(s.before["paragraphs"])))
    R.true("%s: the run formats exactly the listed names" % label, not problems, "; ".join(problems[:5]))
    R.row("name file: 1 MB line, bytes 1-255, NULs", "entries up to the first NUL; the run works",
          "%d entries%s; run %s, %.1f s" % (len(names or []), "" if sorted(want) == sorted(names or []) else " (WRONG)",
                                            error or "fine" if not problems else "WRONG", time.monotonic() - started))
    end_session(rig, s)


def utf16z(text):
    """A .reg hex(2) value: the text in UTF-16LE with its zero."""
    return ",".join("%02x" % b for b in (text + "\0").encode("utf-16-le"))


def registry_faults(rig, baseline):
    """Registry values of the wrong type or size, met by the plug-in (through
    plughost) and by the program (started directly). Nothing may crash or
    hang; each has a stated outcome."""
    host = rig.start_host(name="registry")
    app = winpath(rig.program("rolemark.exe"))
    app_reg = '"%s"' % app.replace("\\", "\\\\")

    def plugin(values):
        rig.seed_registry_values(values)
        started = time.monotonic()
        code, out = rig.wine(rig.program("plughost.exe"), winpath(rig.program("rmaddin.add")), timeout=30,
                             stem="plughost")
        return code == 0 and "returned 0" in out, time.monotonic() - started

    def window_appears():
        shown = rig.ui("form", timeout=30)
        if shown.ok:
            rig.ui("close", "wait-gone", "15000")
        return shown.ok

    def stays_away():
        time.sleep(2)
        return not rig.stray_processes("rolemark.exe")

    cases = [
        ("plug-in: LastRun REG_BINARY of 4 bytes", [("AppPath", app_reg), ("LastRun", "hex:01,02,03,04")],
         "taken as no last start: the program starts", window_appears, ("LastRun", "REG_BINARY", 16)),
        ("plug-in: LastRun REG_SZ", [("AppPath", app_reg), ("LastRun", '"yesterday"')],
         "taken as no last start: the program starts", window_appears, ("LastRun", "REG_BINARY", 16)),
        ("plug-in: AppPath REG_DWORD", [("AppPath", "dword:00000001")],
         "nothing started; FromAdd 1 and LastRun written", stays_away, ("FromAdd", "REG_DWORD", "0x1")),
        ("plug-in: AppPath REG_EXPAND_SZ", [("AppPath", "hex(2):" + utf16z(app))],
         "accepted as a path: the program starts", window_appears, ("LastRun", "REG_BINARY", 16)),
        ("plug-in: AppPath of 300 characters", [("AppPath", '"C:\\\\%s.exe"' % ("x" * 300))],
         "no crash; nothing started", stays_away, None),
    ]
    for fault, values, expected, outcome, value in cases:
        ok, seconds = plugin(values)
        R.true("registry, %s: main returns 0 in bounded time" % fault, ok and seconds < 20, "%.1f s" % seconds)
        happened = outcome()
        R.true("registry, %s: %s" % (fault, expected), happened)
        observed = "main returned 0 in %.1f s; %s" % (seconds, expected if happened else "NOT SO")
        if value:
            name, kind, shape = value
            got = (rig.registry() or {}).get(name, ("missing", ""))
            seen = (got[0], len(got[1])) if isinstance(shape, int) else got
            R.check("registry, %s: %s afterwards" % (fault, name), (kind, shape), seen)
            observed += "; %s %s %s" % (name, seen[0], seen[1])
        R.row("registry, " + fault, expected, observed)

    # The program started directly, as a start not made by the plug-in.
    for fault, from_add in (("program: FromAdd REG_SZ \"1\"", '"1"'),
                            ("program: FromAdd REG_DWORD of 2 bytes", "hex(4):01,00"),
                            ("program: FromAdd REG_BINARY 01 00 00 00", "hex:01,00,00,00")):
        rig.seed_registry_values([("AppPath", app_reg), ("FromAdd", from_add)])
        started = time.monotonic()
        code, out = rig.wine(rig.program("rolemark.exe"), timeout=30, stem="rolemark")
        seconds = time.monotonic() - started
        values = rig.registry() or {}
        R.true("registry, %s: ends by itself without a window" % fault, code == 0 and seconds < 20,
               "exit code %d after %.1f s" % (code, seconds))
        R.check("registry, %s: FromAdd is the number 0 afterwards" % fault, ("REG_DWORD", "0x0"), values.get("FromAdd"))
        R.row("registry, " + fault, "not a start by the plug-in: no window; FromAdd REG_DWORD 0",
              "exit %d after %.1f s; FromAdd %s %s" % ((code, seconds) + values.get("FromAdd", ("missing", ""))))

    fault = "program: AppPath REG_DWORD"
    rig.seed_registry_values([("AppPath", "dword:00000007"), ("FromAdd", "dword:00000001")])
    rig.spawn(rig.program("rolemark.exe"), log=os.path.join(rig.work, "rolemark-direct.log"))
    shown = window_appears()
    values = rig.registry() or {}
    R.true("registry, %s: not a first start: the window opens" % fault, shown)
    R.check("registry, %s: the path written as text at the end" % fault, ("REG_SZ", app), values.get("AppPath"))
    R.row("registry, " + fault, "the window opens; AppPath REG_SZ at the end",
          "window %s; AppPath %s %s" % (("opened" if shown else "NOT OPENED",) + values.get("AppPath", ("missing", ""))))
    host.stop()


def print_table():
    rows = [("fault", "expected", "observed")] + R.table
    widths = [min(60, max(len(r[i]) for r in rows)) for i in range(2)]
    print()
    for fault, expected, observed in rows:
        print("%-*s | %-*s | %s" % (widths[0], fault, widths[1], expected, observed))


def main():
    with Rig() as probe:
        ready = probe.ready(R, "clipboard_holder.exe", "top_windows.exe")
    if ready:
        started = time.monotonic()
        with Rig("ru_RU.UTF-8") as rig:
            try:
                baseline = Baseline(rig)
            except RigError as e:
                baseline = None
                R.true("the baseline session completes", False, str(e))
            cases = [refused_command, busy_command, refused_copy, empty_reply, bad_number, delayed_reply, reply_never_comes,
                     late_acknowledgements, busy_at_start, busy_during_run,
                     dropped_conversation, host_quits, stalled_walk, held_clipboard, clipboard_tool, failed_style_load,
                     fields_left_during_run, bad_font_list, hostile_name_file, registry_faults] if baseline else []
            wanted = [w for w in os.environ.get("ROLEMARK_CASES", "").split(",") if w]
            for case in cases:
                if wanted and not any(w in case.__name__ for w in wanted):
                    continue
                try:
                    case(rig, baseline)
                except (RigError, OSError, ValueError, IndexError) as e:
                    R.true("a case completes", False, "%s: %s" % (type(e).__name__, e))
                    for pid in rig.stray_processes("rolemark.exe") + rig.stray_processes("pmstandin.exe"):
                        try:
                            os.kill(pid, 9)
                        except OSError:
                            pass
        print("      all cases: %.0f s" % (time.monotonic() - started))
        print_table()
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
