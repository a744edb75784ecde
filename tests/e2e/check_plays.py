#!/usr/bin/env python3
# group: wine
"""The speaker check on real plays (../shared/plays, TEI, CC0) under Wine:
each play laid out by the stand-in's generator as a typesetter would set it,
the whole story checked with the style filter on the speech style and an
empty cast, the report saved through its dialog and read back.

What the report must hold is worked out here from the TEI's <speaker>
elements alone: every speaker label (the text before its first ".", ":" or
"(") that looks like one, with the number of its speeches and the paragraph
of the first. The mixed-letter label of afinogenov-mashenka.xml is reported
with its odd letter; a misspelled label planted at the end shows as a
candidate of its own. Then "Добавить все" and a run: the run's report must
count every label in exactly its speeches, and the planted "Окаемова" as the
part of a word it is.

Saves a screenshot of the report's page after the check of the mixed-letter
play to $ROLEMARK_OUT/screenshots/<build>/.

Prints one line per check and a final 'N passed, N failed'.
"""
import collections
import json
import os
import re
import sys
import time
import xml.etree.ElementTree as ET

from rig import ROOT, Results, Rig, RigError, wine, winpath

sys.path.insert(0, os.path.join(ROOT, "standin"))
import generate_play  # noqa: E402

PLAYS = os.path.join(os.path.dirname(ROOT), "shared", "plays")
TEI = "{http://www.tei-c.org/ns/1.0}"
SPEECH = generate_play.SPEECH
MIXED_PLAY = "afinogenov-mashenka.xml"
PLANTED = ["Мша. Ну где же ты?", "Окаемова, где вы?"]  # a misspelling, a name inside a word

R = Results()


def candidate(label):
    """The candidate the check must see in a speech paragraph opening with
    `label`: its text up to the first ".", ":" or "(", if it looks like a
    speaker's label."""
    text = re.split(r"[.:(]", label, maxsplit=1)[0].rstrip(" ")
    if not 1 <= len(text) <= 40 or not re.fullmatch(r"[\w ’'-]+", text) or "_" in text:
        return None
    if not (text[0].isalpha() and text[0].isupper()) and not re.match(r"\d+-", text):
        return None
    return text


def expected_labels(path, first_paragraphs):
    """{candidate: [speeches, first paragraph]} from the TEI's <speaker>
    elements; `first_paragraphs` gives the laid-out paragraph of each
    speech with a speaker, in order."""
    labels = {}
    speakers = [sp.find(TEI + "speaker") for sp in ET.parse(path).getroot().iter(TEI + "sp")]
    speakers = [s for s in speakers if s is not None and generate_play.in_code_page("".join(s.itertext()))]
    assert len(speakers) == len(first_paragraphs)
    for speaker, paragraph in zip(speakers, first_paragraphs):
        text = candidate(generate_play.in_code_page("".join(speaker.itertext())))
        if text:
            entry = labels.setdefault(text, [0, paragraph])
            entry[0] += 1
    return labels


def read_report(path):
    with open(path, "rb") as f:
        data = f.read()
    lines = data.decode("cp1251").split("\r\n")
    R.check("report: ends with CR LF, header first", ("", "вид\tтекст\tабзацев\tпервый абзац\tзамечание"),
            (lines[-1], lines[0]))
    return [line.split("\t") for line in lines[1:-1]]


def rows_of(report, kind):
    return {r[1]: [int(r[2]), int(r[3]) if r[3] else 0] for r in report if r[0] == kind}


def check_play(name):
    label = name.rsplit(".", 1)[0]
    path = os.path.join(PLAYS, name)
    publication = generate_play.tei_publication(path)
    paragraphs, speeches = generate_play.tei_layout(path)
    expected = expected_labels(path, [index + 1 for index, _ in speeches])
    planted = name == MIXED_PLAY
    if planted:
        for text in PLANTED:
            publication["paragraphs"].append({"style": SPEECH, "text": text})
        expected["Мша"] = [1, len(paragraphs) + 1]
    speech_paragraphs = sum(p["style"] == SPEECH for p in publication["paragraphs"])

    with Rig("ru_RU.UTF-8") as rig:
        pub = os.path.join(rig.work, label + ".json")
        with open(pub, "w", encoding="utf-8") as f:
            json.dump(publication, f, ensure_ascii=False)
        host = rig.start_host(pub=pub)
        rig.seed_registry(from_add=0)
        rig.start_rolemark()
        report_path = os.path.join(rig.work, "report.txt")
        started = time.monotonic()
        done = rig.ui("wait-idle", "10000", "tab", 1, "click", "EntireTextRadio", "click", "UseStyleCheckBox",
                      "choose", "SrcStyleCombo", SPEECH, "tab", 3, "press", "CheckButton", "watch-progress", 600000,
                      "wait-idle", "30000", "no-box", 300, "get", "SummaryLabel",
                      "press", "SaveReportButton", "save-as", winpath(report_path), "wait-idle", "10000", timeout=900)
        seconds = time.monotonic() - started
        if not R.true("%s: check and save end without a message" % label, done.ok, done.error):
            return
        line = [l[7] for l in done.rows("control") if len(l) > 7]
        R.true("%s: the check's line counts the speech paragraphs" % label,
               line and line[0].startswith("Проверено %d абзац" % speech_paragraphs), repr(line))
        report = read_report(report_path)
        found = rows_of(report, "кандидат")
        R.check("%s: every speaker label with its speeches and first paragraph" % label,
                sorted(expected.items()), sorted(found.items()))
        if planted:
            shown = rig.ui("tab", 3, "sleep", 700, "form")
            target = os.path.join(wine.OUT, "screenshots", rig.arch, "page3-%s.png" % label)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            try:
                rig.screenshot(target, shown.form_box())
            except RigError as e:
                R.true("%s: screenshot of the report" % label, False, str(e))
            mixed = [r for r in report if r[0] == "смешанные буквы"]
            R.check("%s: the Latin-letter label reported" % label,
                    [["смешанные буквы", "Мaша", str(expected["Мaша"][0]), str(expected["Мaша"][1]),
                      "2-я буква латинская"]], mixed)
        print("      %s: %d paragraphs, %d speeches, %d labels, check %.1f s" %
              (label, len(publication["paragraphs"]), len(speeches), len(expected), seconds), flush=True)

        # Every label into the cast, then a run with the same scope.
        run_report = os.path.join(rig.work, "run-report.txt")
        mark = host.mark()
        ran = rig.ui("press", "AddAllButton", "get", "SummaryLabel", "tab", 1, "get", "NamesList",
                     "press", "Button2", "watch-progress", 600000, "wait-idle", "30000", "no-box", 300,
                     "press", "SaveReportButton", "save-as", winpath(run_report), "wait-idle", "10000", timeout=900)
        if not R.true("%s: adding and the run end without a message" % label, ran.ok, ran.error):
            return
        R.check("%s: every label added" % label, sorted(expected), sorted(ran.items("NamesList")[0] or []))
        report = read_report(run_report)
        names = rows_of(report, "имя")
        formats = {text: count for text, (count, _) in expected.items()}
        if planted:
            formats["Окаемов"] += 1  # and the start of «Окаемова»
        R.check("%s: the run formats each label in exactly its speeches" % label, sorted(formats.items()),
                sorted((text, count) for text, (count, _) in names.items()))
        formatted = sum(e.get("text", "").startswith("Font ") for e in host.since(mark))
        R.check("%s: and nothing else" % label, sum(c for c, _ in expected.values()) + planted, formatted)
        if planted:
            R.check("%s: the name inside «Окаемова» reported" % label, {"Окаемов": [1, len(paragraphs) + 2]},
                    rows_of(report, "часть слова"))


def main():
    with Rig() as probe:
        ready = probe.ready(R)
    if ready:
        for name in sorted(os.listdir(PLAYS)):
            if not name.endswith(".xml"):
                continue
            try:
                check_play(name)
            except RigError as e:
                R.true("%s completes" % name, False, str(e))
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
