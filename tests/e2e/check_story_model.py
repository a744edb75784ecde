#!/usr/bin/env python3
# group: native
"""The end-to-end check's own yardstick, story_model, on hand-made stories:
the name it expects at a paragraph's start, the paragraphs a run treats, how
it reads a name file, and that its comparison of two dumps notices every
kind of wrong result (a name missed, a name cut short, a change elsewhere,
an attribute that should have stayed). Prints 'N passed, N failed'."""
import copy
import sys

from rig import Results, story_model as model

R = Results()
check = R.check


BASE = {"font": "Serif", "size": 12, "track": 0, "kern": 0, "width": 100, "type_style": [], "shift": 0,
        "leading": -1, "type_options": [70, 58.3, 33.3, 33.3]}


def paragraph(text, style="Speech", **changes):
    run = dict(BASE, **changes)
    run.update({"from": 0, "to": len(text)})
    return {"style": style, "text": text, "runs": [run] if text else []}


def story(*paragraphs):
    return {"name": "t", "story": 1, "fonts": [], "styles": [], "paragraphs": list(paragraphs),
            "selection": [0, 0]}


def formatted_copy(dump, index, length, settings):
    """`dump` with the first `length` characters of paragraph `index` given
    `settings`, as a host would hold it."""
    out = copy.deepcopy(dump)
    p = out["paragraphs"][index]
    rest = dict(p["runs"][0], **{"from": length})
    name = dict(p["runs"][0], **{"to": length, "font": settings.font, "size": settings.size,
                                 "track": settings.track, "kern": settings.kern, "width": settings.width,
                                 "type_style": [s for s in ("bold", "italic") if getattr(settings, s)],
                                 "shift": settings.shift})
    p["runs"] = [name] + ([rest] if length < len(p["text"]) else [])
    return out


def main():
    names = ["Anna", "Anna Smith", "", "Bob", "anna"]
    check("the longest listed name wins", "Anna Smith", model.longest_name("Anna Smith. Hello", names))
    check("a name run on into a word matches", "Bob", model.longest_name("Bobby runs", names))
    check("letter case counts", "anna", model.longest_name("anna. x", names))
    check("no name, no match; an empty name never matches", None, model.longest_name("Clara. x", names))
    check("a paragraph shorter than the longest name", "Anna", model.longest_name("Anna", names))

    check("name file: CR LF, LF and CR end lines; an empty line is a name; a final end adds none",
          ["a", "b", "", "c", "d"], model.read_cast("a\r\nb\n\rc\rd\r\n"))
    check("name file: a last line without an end is taken, a NUL ends the text",
          ["a", "b"], model.read_cast("a\r\nb\0c\r\n"))

    pars = [{"text": "ab"}, {"text": ""}, {"text": "cde"}, {"text": "f"}]  # starts 0, 3, 4, 8
    check("paragraph starts", [0, 3, 4, 8], model.paragraph_starts(pars))
    check("whole story treats every paragraph", [0, 1, 2, 3], model.scope(pars))
    check("a selection from a paragraph's end into the next treats both", [0, 1], model.scope(pars, (2, 3)))
    check("the position after a CR opens the next paragraph", [2, 3], model.scope(pars, (4, 8)))
    check("a backwards selection treats the same paragraphs", [2, 3], model.scope(pars, (9, 5)))
    check("an insertion point alone treats nothing", [], model.scope(pars, (5, 5)))

    before = story(paragraph("Anna Smith. Hi"), paragraph("Bob"), paragraph("Clara. Bob"),
                   paragraph("Anna. Yes", style="Note"))
    settings = model.RunSettings("Bold Face", 14.5, 3, -0.05, 90, True, False, -1.5)
    found = model.expected_names(before, names, model.scope(before["paragraphs"]))
    check("expected names over a whole story", {0: "Anna Smith", 1: "Bob", 3: "Anna"}, found)
    check("the style filter keeps other styles out", {0: "Anna Smith", 1: "Bob"},
          model.expected_names(before, names, [0, 1, 2, 3], style="Speech"))

    right = before
    for index, name in found.items():
        right = formatted_copy(right, index, len(name), settings)
    problems, seen = model.compare(before, right, found, settings)
    check("the right result passes", [], problems)
    check("the formatted openings are seen", {0: 10, 1: 3, 3: 4}, seen)

    missed = formatted_copy(formatted_copy(before, 0, 10, settings), 1, 3, settings)
    check("a name left alone is noticed", 1, len(model.compare(before, missed, found, settings)[0]))
    short = formatted_copy(formatted_copy(formatted_copy(before, 0, 4, settings), 1, 3, settings), 3, 4, settings)
    problems = model.compare(before, short, found, settings)[0]
    check("a name cut short is noticed, with its characters", ["paragraph 0, characters 4-9 ' Smith'"],
          [p.split(":")[0] for p in problems])
    elsewhere = copy.deepcopy(right)
    elsewhere["paragraphs"][2]["runs"][0]["leading"] = 14
    check("a change in a paragraph without a name is noticed", 1,
          len(model.compare(before, elsewhere, found, settings)[0]))
    kept = copy.deepcopy(right)
    kept["paragraphs"][1]["runs"][0]["type_options"] = [80, 58.3, 33.3, 33.3]
    check("an attribute a run keeps is checked on names too", 1, len(model.compare(before, kept, found, settings)[0]))
    retext = copy.deepcopy(right)
    retext["paragraphs"][2]["text"] = "Clara. Bub"
    check("a changed text is noticed", 1, len(model.compare(before, retext, found, settings)[0]))

    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
