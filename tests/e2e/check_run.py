#!/usr/bin/env python3
# group: wine
"""The main job end to end under Wine, as a user does it: the host stand-in
holds a publication, plughost loads the plug-in, the plug-in starts
Rolemark, the window is filled through its own controls (names typed and a
name file opened through its dialog), options chosen, "Выполнить" pressed;
the run talks to the stand-in over DDE and reads the real clipboard.

After every run the host's dump is compared with the dump taken before it,
character by character, against the result worked out here from the
publication and the cast alone (story_model): exactly the expected names
carry exactly the chosen formatting, and nothing else changed. The user's
selection is back, autosave is on again, every command went out with a full
stop in its numbers and was accepted, and the window's own numbers are in
the user's locale again.

Two sessions, one Rolemark each:
- Russian locale (code page 1251, decimal comma), the sample play and cast:
  the empty-list message sends nothing; a host without a publication gives
  the state message, closes the link and leaves the window usable; a
  whole-story run with every option set by hand; a selected-paragraphs run
  with the style filter and the formatting loaded from a style.
- English locale (code page 1252, full stop), a Latin-script play and cast
  made for this run (seed printed; ROLEMARK_SEED repeats one): a whole-story
  run, a selected-paragraphs run with an insertion point only (nothing to
  treat), and a selected-paragraphs run to the story's end with the filter.

Prints one line per check and a final 'N passed, N failed'.
"""
import json
import os
import random
import re
import sys
import time

import rig as rigmod
from rig import Results, Rig, RigError, story_model as model, winpath


R = Results()


def number_text(value, decimals, separator):
    text = "%.*f" % (decimals, value) if decimals else "%d" % round(value)
    return text.replace(".", separator)


def run_entries(entries):
    """A run's part of a transcript slice: without the dump query (and its
    connect) that the rig asked after it."""
    for i in range(len(entries) - 1, -1, -1):
        if entries[i].get("text") == "StandinDump":
            cut = i - 1 if i > 0 and entries[i - 1].get("kind") == "event" else i
            return entries[:cut]
    return entries


class Session:
    """One Rolemark on one host, with what the check knows of them."""

    def __init__(self, rig, host, separator):
        self.rig, self.host, self.separator = rig, host, separator
        self.cast = []  # the names the window's list should hold


def start_session(rig, label, pub=None, faults=()):
    """Host, registry, program; checks the hand-off through the registry."""
    host = rig.start_host(pub=pub, faults=faults)
    rig.seed_registry(from_add=0)
    rig.start_rolemark()
    rig.ui("wait-idle", "10000")
    values = rig.registry() or {}
    R.check("%s: the plug-in's mark is taken back by the program" % label, ("REG_DWORD", "0x0"),
            values.get("FromAdd"))
    kind, stamp = values.get("LastRun", ("missing", ""))
    R.check("%s: the plug-in noted its start" % label, ("REG_BINARY", 16), (kind, len(stamp)))
    return host


def fill_cast(s, label, cast_file, typed):
    """Opens `cast_file` through the window's dialog, then types the names
    `typed` one by one; the list must hold exactly those names."""
    with open(cast_file, "rb") as f:
        from_file = model.read_cast(f.read().decode(s.rig.codepage))
    commands = ["tab", 1, "press", "Button5", "open", winpath(cast_file)]
    for name in typed:
        commands += ["add-name", name]
    shown = s.rig.ui(*(commands + ["get", "NamesList"]))
    items, _ = shown.items("NamesList")
    s.cast = from_file + list(typed)
    R.true("%s: the name file opened through the dialog" % label, shown.ok and shown.rows("dialog"), shown.error)
    R.check("%s: the list holds the file's names and the typed ones" % label, sorted(s.cast), sorted(items or []))


def set_window(s, label, selection, style_filter, target_style, font, size, track, kern, width, shift, bold, italic,
               size_text=None):
    """Sets the window's options as a user would and returns the formatting
    that the window then shows (a model.RunSettings). A value given as None
    is left as the window has it (after a target style: loaded from it).
    `size_text` is typed for the size when given (another notation)."""
    sep = s.separator
    state = s.rig.ui("get", "UseStyleCheckBox", "get", "BasedOnCheckBox", "get", "BoldCheck", "get", "ItalicCheck")
    commands = ["tab", 1, "click", "EntireTextRadio" if selection is None else "SelParaRadio"]
    if bool(style_filter) != bool(state.checked("UseStyleCheckBox")):
        commands += ["click", "UseStyleCheckBox"]
    if style_filter:
        commands += ["choose", "SrcStyleCombo", style_filter]
    commands += ["tab", 2]
    if target_style:
        if not state.checked("BasedOnCheckBox"):
            commands += ["click", "BasedOnCheckBox"]
        commands += ["choose", "TargetStyleCombo", target_style]
    if font is not None:
        commands += ["choose", "FontCombo", font]
    if size is not None:
        commands += ["type", "SizeEdit", size_text or number_text(size, 1, sep), "leave", "SizeEdit"]
    if track is not None:
        commands += ["choose-index", "TrackingCombo", track]
    commands += ["type", "KerningEdit", number_text(kern, 2, sep), "leave", "KerningEdit"]
    if width is not None:
        commands += ["type", "WidthEdit", number_text(width, 0, sep), "leave", "WidthEdit"]
    if shift is not None:
        commands += ["type", "BaseShiftEdit", number_text(shift, 2, sep), "leave", "BaseShiftEdit"]
    for box, want in (("BoldCheck", bold), ("ItalicCheck", italic)):
        if bool(want) != bool(state.checked(box)):
            commands += ["click", box]
    commands += ["wait-idle", "10000"]
    for name in ("FontCombo", "SizeEdit", "TrackingCombo", "KerningEdit", "WidthEdit", "BaseShiftEdit",
                 "BoldCheck", "ItalicCheck", "SrcStyleCombo"):
        commands += ["get", name]
    shown = s.rig.ui(*commands)
    if not R.true("%s: the options set through the window" % label, shown.ok, shown.error):
        return None
    fonts, chosen = shown.items("FontCombo")
    tracks, track_index = shown.items("TrackingCombo")

    def value(name):
        return float(shown.text(name).replace(sep, "."))

    try:
        settings = model.RunSettings(
            font=fonts[chosen] if chosen is not None and chosen >= 0 else "",
            size=value("SizeEdit"), track=track_index, kern=value("KerningEdit"), width=value("WidthEdit"),
            bold=shown.checked("BoldCheck") == 1, italic=shown.checked("ItalicCheck") == 1, shift=value("BaseShiftEdit"))
    except (TypeError, ValueError) as e:
        R.true("%s: the window's fields read back" % label, False, str(e))
        return None
    if style_filter:
        sources, picked = shown.items("SrcStyleCombo")
        R.check("%s: the source style chosen" % label, style_filter, sources[picked] if picked >= 0 else None)
    return settings


def intended_settings(before, target_style, font, size, track, kern, width, shift, bold, italic):
    """The formatting the user asked for: given values, and for the others
    those of `target_style` as the dump before the run holds it."""
    style = next((st for st in before["styles"] if st["name"] == target_style), {}) if target_style else {}

    def pick(given, key):
        return given if given is not None else style.get(key)
    return model.RunSettings(font=pick(font, "font"), size=pick(size, "size"), track=pick(track, "track"),
                             kern=kern, width=round(pick(width, "width")), shift=pick(shift, "shift"),
                             bold=bold, italic=italic)


def run_case(s, label, selection=None, style_filter=None, target_style=None, font=None, size=None, track=None,
             kern=0.0, width=None, shift=None, bold=False, italic=False, size_text=None):
    """One formatting run, set up through the window, and every check on
    its result. `selection` None is a whole-story run; otherwise the host's
    selection (start, end) is set first and the run treats the selected
    paragraphs."""
    host, started = s.host, time.monotonic()
    if selection is not None:
        story = host.dump().get("story", 1)
        host.execute("SetTextCursor %d %d %d" % (story, selection[0], selection[1]))
    before = host.dump()
    cursor_before = host.query("GetTextCursor")
    settings = set_window(s, label, selection, style_filter, target_style, font, size, track, kern, width, shift,
                          bold, italic, size_text)
    if settings is None:
        return
    want = intended_settings(before, target_style, font, size, track, kern, width, shift, bold, italic)
    R.check("%s: the window shows the formatting asked for" % label, repr(want), repr(settings))

    treated = model.scope(before["paragraphs"], selection)
    formatted = model.expected_names(before, s.cast, treated, style_filter)
    mark = host.mark()
    walk = bool(treated)
    commands = ["press", "Button2"]
    commands += ["watch-progress", "60000"] if walk else ["sleep", "500"]
    result = s.rig.ui(*(commands + ["wait-idle", "30000", "no-box", "300"]))
    if not result.ok:
        # Say what stopped the run, and take its box away for what follows.
        box = s.rig.ui("box", "1000")
        R.true("%s: the run ends without a message" % label, False, "%s; %r" % (result.error, box.boxes()))
        return
    R.true("%s: the run ends without a message" % label, True)
    if walk:
        seen = [(int(l[1]), int(l[2])) for l in result.rows("seen")]
        R.true("%s: the progress bar is shown, then hidden" % label,
               any(v for v, _ in seen) and seen[-1][0] == 0, repr(seen[-4:]))

    after = host.dump()
    cursor_after = host.query("GetTextCursor")
    entries = run_entries(host.since(mark))
    seconds = time.monotonic() - started

    problems, _ = model.compare(before, after, formatted, settings)
    R.true("%s: exactly the %d expected names carry the formatting, nothing else changed" % (label, len(formatted)),
           not problems, "\n        " + "\n        ".join(problems))
    fonts_sent = [e["text"] for e in entries if e["kind"] == "command" and e["text"].startswith("Font ")]
    R.check("%s: one formatting per expected name" % label, len(formatted), len(fonts_sent))
    R.check("%s: the user's selection is back" % label, (cursor_before, before["selection"]),
            (cursor_after, after["selection"]))
    commands_sent = [e for e in entries if e["kind"] == "command"]
    suppress = [e["text"] for e in commands_sent if e["text"].startswith("SuppressAutosave")]
    R.check("%s: autosave off for the run, then on again" % label, ["SuppressAutosave 1", "SuppressAutosave 0"],
            suppress)
    if suppress == ["SuppressAutosave 1", "SuppressAutosave 0"]:
        texts = [e["text"] for e in commands_sent]
        on, off = texts.index("SuppressAutosave 1"), texts.index("SuppressAutosave 0")
        R.true("%s: every step of the walk between the two" % label,
               all(on < i < off for i, t in enumerate(texts) if not t.startswith("SuppressAutosave")))
    R.check("%s: the host reports autosave on" % label, False, after["host"]["autosave_suppressed"])
    refused = [e["text"] for e in entries if not e.get("ok", True)]
    R.check("%s: the host accepted every exchange" % label, [], refused)
    comma = [e["text"] for e in commands_sent if re.search(r"\d,\d", e["text"])]
    R.check("%s: numbers in commands written with a full stop" % label, [], comma)
    if walk:
        typed = [e["text"] for e in commands_sent if e["text"].startswith(("Size ", "KernText ", "TypeOptions "))]
        R.true("%s: the formatting commands carry the values" % label,
               not formatted or ("Size %.2f" % settings.size in typed and "KernText %.2f" % settings.kern in typed),
               repr(typed[:3]))
    shown = s.rig.ui("tab", 2, "leave", "SizeEdit", "get", "SizeEdit")
    R.check("%s: the window's numbers in the user's locale again" % label,
            number_text(settings.size, 1, s.separator), shown.text("SizeEdit"))
    print("      %s: %d paragraphs treated, %d names formatted, %.1f s" % (label, len(treated), len(formatted), seconds),
          flush=True)


# --- the Russian session


def russian_session():
    with Rig("ru_RU.UTF-8") as rig:
        label = "ru"
        # The first state answered is the first fill's; the second, the
        # first run's: the host has no publication open.
        host = start_session(rig, label, faults=[("states", "7,1")])
        s = Session(rig, host, ",")
        filled = rig.ui("wait-idle", "10000", "get", "FontCombo")
        fonts, _ = filled.items("FontCombo")
        R.check("ru: the font list filled from the host", 6, len(fonts or []))

        # An empty list: the message, and not a word to the host.
        mark = host.mark()
        shown = rig.ui("press", "Button2", "box", "wait-idle", "5000")
        R.check("ru: empty list gives its message", [("Ошибочка вышла", "icon", "Список действующих лиц пуст")],
                shown.boxes())
        time.sleep(0.3)
        R.check("ru: empty list sends nothing to the host", [], host.since(mark))

        fill_cast(s, label, rigmod.SAMPLE_CAST, ["Иваныч", ""])

        # No publication open: the state message; the link is closed, the
        # window stays usable and the next runs work.
        before = host.dump()
        mark = host.mark()
        shown = rig.ui("press", "Button2", "box", "wait-idle", "5000")
        R.check("ru: no publication gives the state message",
                [("Проблемы при работе", "none", "Для начала откройте публикацию")], shown.boxes())
        entries = run_entries(host.since(mark))
        exchanges = [(e["kind"], e["text"], e.get("reply")) for e in entries if e["kind"] != "event"]
        R.check("ru: after the state nothing more is sent", [("query", "GetPMState", "1")], exchanges)
        R.check("ru: the story untouched after the state message", before["paragraphs"], host.load_dump()["paragraphs"])

        # A size that is no number: the run's message, the field shown with
        # the focus, and not a word to the host.
        mark = host.mark()
        shown = rig.ui("tab", 2, "type", "SizeEdit", "abc", "tab", 1, "press", "Button2", "box",
                       "wait-focus", "SizeEdit", "3000", "wait-idle", "5000")
        R.check("ru: a size that is no number stops the run with its message",
                [("Rolemark", "icon", "В поле «Кегль» не число: «abc».")], shown.boxes())
        R.true("ru: the size field shown with the focus", shown.ok, shown.error)
        time.sleep(0.3)
        R.check("ru: a size that is no number sends nothing to the host", [], host.since(mark))

        # The size typed with a full stop under a comma: the number meant.
        run_case(s, "ru whole story, every option by hand", font="Baltica", size=12.5, size_text="12.5", track=4,
                 kern=-0.05, width=120, shift=-1.5, bold=True, italic=True)
        play = host.load_dump()["paragraphs"]
        starts = model.paragraph_starts(play)
        run_case(s, "ru selected paragraphs, style filter, formatting of a style",
                 selection=(starts[13] + 5, starts[30] + 3), style_filter="Реплика", target_style="Примечание",
                 kern=0.12, bold=False, italic=False)


# --- the English session

FIRST_NAMES = ["Anna", "Anna Smith", "Bob", "Clara", "Edgar", "Hugo", "Hugo von Tal", "Zoë"]
TYPED_NAMES = ["Renée"]
OTHERS = ["Gustav", "Nora", "Walter"]
LINES = ["Is the tea ready yet?", "Nobody tells me anything.", "What a lovely evening!",
         "I shall not stay long.", "The garden is full of roses.", "Do you hear the music?",
         "Let us go inside.", "You are late again.", "It will rain tomorrow."]


def latin_play(rng):
    """A play in Latin script (code page 1252) with the cases a run must
    tell apart: names, longer names that extend them, names in another
    letter case, names run on into a word, names inside a paragraph, empty
    paragraphs, paragraphs shorter than the longest name, and formatting
    runs of their own under some names. The first and last paragraphs open
    with a name."""
    cast = FIRST_NAMES + TYPED_NAMES
    styles = [
        {"name": "Speech", "font": "Times New Roman", "size": 12, "leading": -1},
        {"name": "Direction", "font": "Times New Roman", "size": 10, "type_style": ["italic"], "leading": 12,
         "width": 95},
        {"name": "Title", "font": "Arial", "size": 18, "type_style": ["bold"], "track": 1, "leading": -1},
        {"name": "Note", "font": "Courier New", "size": 9, "shift": 2, "leading": -1},
    ]
    paragraphs = [{"style": "Speech", "text": "%s. %s" % (rng.choice(cast), rng.choice(LINES))},
                  {"style": "Title", "text": "The Garden Party"}]
    kinds = ["speech"] * 6 + ["extends", "upper", "lower", "other", "direction", "empty", "alone", "note"]
    for _ in range(34):
        kind, name, line = rng.choice(kinds), rng.choice(cast), rng.choice(LINES)
        style, text = "Speech", "%s. %s" % (name, line)
        if kind == "extends":
            text = "%sy %s" % (name, line)
        elif kind == "upper":
            text = "%s. %s" % (name.upper(), line)
        elif kind == "lower":
            text = "%s. %s" % (name.lower(), line)
        elif kind == "other":
            text = "%s. %s" % (rng.choice(OTHERS), line)
        elif kind == "direction":
            style, text = "Direction", "Enter %s, slowly." % name
        elif kind == "empty":
            style, text = "Direction", ""
        elif kind == "alone":
            text = name
        elif kind == "note":
            style = "Note"
        paragraph = {"style": style, "text": text}
        if text and rng.random() < 0.2:
            paragraph["runs"] = [{"from": 0, "to": min(2, len(text)), "type_style": ["underline"], "leading": 14,
                                  "type_options": [80, 60, 30, 30]},
                                 {"from": max(0, len(text) - 3), "to": len(text), "type_style": ["bold"]}]
        paragraphs.append(paragraph)
    paragraphs.append({"style": "Speech", "text": "%s. %s" % (rng.choice(cast), rng.choice(LINES))})
    fonts = [{"name": n, "info": [4, 0, 18]} for n in ("Times New Roman", "Arial", "Courier New", "Garamond")]
    return {"name": "The Garden Party", "story": 1, "fonts": fonts, "styles": styles, "paragraphs": paragraphs}


def write_cast(path, rng):
    """The cast file in code page 1252: shuffled, with a duplicate, an empty
    line, and one line ended by LF alone."""
    names = list(FIRST_NAMES) + [FIRST_NAMES[0], ""]
    rng.shuffle(names)
    text = "".join(n + ("\n" if i == 1 else "\r\n") for i, n in enumerate(names))
    with open(path, "wb") as f:
        f.write(text.encode("cp1252"))


def english_session():
    seed = int(os.environ.get("ROLEMARK_SEED") or time.time())
    print("      en: seed %d (ROLEMARK_SEED=%d repeats this play)" % (seed, seed), flush=True)
    rng = random.Random(seed)
    with Rig("en_US.UTF-8") as rig:
        label = "en"
        pub_path = os.path.join(rig.work, "garden.json")
        with open(pub_path, "w", encoding="utf-8") as f:
            json.dump(latin_play(rng), f, ensure_ascii=False, indent=1)
        cast_path = os.path.join(rig.work, "cast.txt")
        write_cast(cast_path, rng)
        host = start_session(rig, label, pub=pub_path)
        s = Session(rig, host, ".")
        shown = rig.ui("wait-idle", "10000", "tab", 2, "get", "LeadingEdit")
        R.check("en: the window shows numbers with a full stop", "12.00", shown.text("LeadingEdit"))
        fill_cast(s, label, cast_path, TYPED_NAMES)

        run_case(s, "en whole story, every option by hand", font="Garamond", size=11.5, track=2, kern=0.1,
                 width=80, shift=2.25, bold=True)
        play = host.load_dump()["paragraphs"]
        starts = model.paragraph_starts(play)
        run_case(s, "en selected paragraphs, an insertion point only",
                 selection=(starts[5] + 1, starts[5] + 1), font="Arial", size=30, track=5, kern=0, width=200,
                 shift=0, bold=False, italic=True)
        last = len(play) - 1
        run_case(s, "en selected paragraphs to the story's end, style filter, formatting of a style",
                 selection=(starts[last // 2] + 2, starts[last] + 3), style_filter="Speech", target_style="Title",
                 kern=-0.02, bold=False, italic=True)


def main():
    with Rig() as probe:
        ready = probe.ready(R)
    if ready:
        # NOTE: Russian last: Wine notes the locale in the prefix, and the
        # checks that follow in the same prefix expect the Russian one.
        for session in (english_session, russian_session):
            started = time.monotonic()
            try:
                session()
            except RigError as e:
                R.true("%s completes" % session.__name__, False, str(e))
            print("      %s: %.1f s" % (session.__name__, time.monotonic() - started), flush=True)
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
