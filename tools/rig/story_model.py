"""What a formatting run should do to a story, worked out from the
publication and the cast alone, and the comparison of the host's dumps
before and after a run against it, character by character.

A dump is the host's JSON: paragraphs with their style, text and runs of
character formatting (offsets within the paragraph, every attribute). The
rule modelled: a paragraph in the run's scope (and of the chosen style, when
the style filter is on) that opens with one or more listed names gets its
longest such name (exact, case-sensitive; an empty name never matches) the
run's formatting; nothing else changes anywhere.
"""
import struct

# Attributes a run sets on a name; the others (leading, type_options) stay.
FORMATTED = ("font", "size", "track", "kern", "width", "type_style", "shift")
ATTRIBUTES = FORMATTED + ("leading", "type_options")


def f32(value):
    """`value` as the single-precision number the programs keep."""
    return struct.unpack("<f", struct.pack("<f", float(value)))[0]


def normal(attribute, value):
    """An attribute's value in a form that compares exactly."""
    if attribute in ("size", "kern", "width", "shift", "leading"):
        return f32(value)
    if attribute == "type_options":
        return tuple(f32(v) for v in value)
    if attribute == "type_style":
        return tuple(sorted(value))
    return value


def char_formats(paragraph):
    """The formatting of each character of a dumped paragraph: a list of
    tuples in ATTRIBUTES order. A character no run covers is None."""
    formats = [None] * len(paragraph["text"])
    for run in paragraph.get("runs", []):
        record = tuple(normal(a, run[a]) for a in ATTRIBUTES)
        for i in range(run["from"], min(run["to"], len(formats))):
            formats[i] = record
    return formats


def read_cast(data):
    """The names of a name file's bytes (already decoded): one a line, a
    line ends at CR LF, LF or CR, a NUL ends the text, a final line end adds
    no empty name."""
    data = data.split("\0", 1)[0]
    lines = data.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def longest_name(text, names):
    """The longest non-empty name that `text` opens with, or None."""
    found = [n for n in names if n and text.startswith(n)]
    return max(found, key=len) if found else None


def paragraph_starts(paragraphs):
    """Story position of each paragraph's first character: every paragraph
    but the last ends with one CR."""
    starts, position = [], 0
    for p in paragraphs:
        starts.append(position)
        position += len(p["text"]) + 1
    return starts


def paragraph_at(paragraphs, position):
    """The paragraph holding a story position (the one whose start <= position
    <= its end; the position after a CR opens the next paragraph)."""
    starts = paragraph_starts(paragraphs)
    index = 0
    for i, start in enumerate(starts):
        if start <= position:
            index = i
    return index


def scope(paragraphs, selection=None):
    """Indexes of the paragraphs a run treats: all of them for a whole-story
    run (selection None); for a selected-paragraphs run over `selection` =
    (start, end), every paragraph from the one holding the start to the one
    holding the end; none when the selection is empty (an insertion point
    alone does not put the host in its text-selected state)."""
    if selection is None:
        return list(range(len(paragraphs)))
    start, end = sorted(selection)
    if start == end:
        return []
    return list(range(paragraph_at(paragraphs, start), paragraph_at(paragraphs, end) + 1))


def _shown(value):
    return "%.7g" % value if isinstance(value, float) else repr(value)


def _difference(want, got):
    """How the record `got` differs from `want`, as text ("" when equal)."""
    if want == got:
        return ""
    if want is None or got is None:
        return "expected %r, got %r" % (want, got)
    return "; ".join("%s expected %s, got %s" % (a, _shown(w), _shown(g))
                     for a, w, g in zip(ATTRIBUTES, want, got) if w != g)


class RunSettings:
    """The formatting a run gives each name, as the window is set: font
    name, size, tracking index, kerning, width, bold, italic and baseline
    shift (signed; positive raises the text)."""

    def __init__(self, font, size, track, kern, width, bold, italic, shift):
        self.font, self.size, self.track, self.kern = font, float(size), int(track), float(kern)
        self.width, self.bold, self.italic, self.shift = float(width), bool(bold), bool(italic), float(shift)

    def apply(self, record):
        """`record` (ATTRIBUTES order) with the run's attributes set."""
        values = dict(zip(ATTRIBUTES, record))
        style = [s for s in ("bold", "italic") if getattr(self, s)]
        values.update(font=self.font, size=f32(self.size), track=self.track, kern=f32(self.kern),
                      width=f32(self.width), type_style=tuple(sorted(style)), shift=f32(self.shift))
        return tuple(values[a] for a in ATTRIBUTES)

    def __repr__(self):
        style = " ".join(s for s in ("bold", "italic") if getattr(self, s)) or "regular"
        return ("font %r, size %g, track %d, kern %g, width %g, %s, shift %g" %
                (self.font, self.size, self.track, self.kern, self.width, style, self.shift))


def expected_names(before, names, treated, style=None):
    """{paragraph index: name} that a run formats: the paragraphs `treated`
    of the dump `before`, of the style `style` when one is given."""
    found = {}
    for i in treated:
        paragraph = before["paragraphs"][i]
        if style is not None and paragraph["style"] != style:
            continue
        name = longest_name(paragraph["text"], names)
        if name:
            found[i] = name
    return found


def compare(before, after, formatted, settings, limit=10, overrides=None):
    """Differences between the dump `after` and what `before` should have
    become when the names `formatted` ({paragraph: name}) got `settings`;
    `overrides` ({paragraph: settings, or None for a name left alone}) gives
    single paragraphs another outcome. Returns (differences as readable
    lines, at most `limit` of them; {paragraph: length of the formatted
    opening} as seen in `after`)."""
    overrides = overrides or {}
    problems = []

    def note(text):
        if len(problems) < limit:
            problems.append(text)

    for key in ("name", "story", "fonts", "styles"):
        if before.get(key) != after.get(key):
            note("%s changed" % key)
    b_pars, a_pars = before["paragraphs"], after["paragraphs"]
    if len(b_pars) != len(a_pars):
        note("expected %d paragraphs, got %d" % (len(b_pars), len(a_pars)))
        return problems, {}
    seen = {}
    for i, (b, a) in enumerate(zip(b_pars, a_pars)):
        if (b["style"], b["text"]) != (a["style"], a["text"]):
            note("paragraph %d: expected %r (%s), got %r (%s)" % (i, b["text"], b["style"], a["text"], a["style"]))
            continue
        old, new = char_formats(b), char_formats(a)
        given = overrides.get(i, settings)
        length = len(formatted.get(i, "")) if given else 0
        want = [given.apply(f) if c < length else f for c, f in enumerate(old)]
        changed = [c for c in range(len(old)) if new[c] != old[c]]
        if changed:
            seen[i] = changed[-1] + 1
        # One line per stretch of characters that differ in the same way.
        stretch = None
        for c in range(len(old) + 1):
            diff = _difference(want[c], new[c]) if c < len(old) else None
            if stretch and (diff != stretch[1] or c != stretch[2]):
                first, what, end = stretch
                note("paragraph %d, characters %d-%d %r: %s" % (i, first, end - 1, b["text"][first:end], what))
                stretch = None
            if diff:
                stretch = (stretch[0] if stretch else c, diff, c + 1)
    return problems, seen
