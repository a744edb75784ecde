#!/usr/bin/env python3
"""Writes a play for the host stand-in: a large synthetic one and its cast, or
a real play in TEI laid out as a typesetter would set it.

  generate_play.py --paragraphs N [--cast K] [--seed S] --out PLAY.json [--words WORDS.txt]
  generate_play.py --tei PLAY.xml --out PLAY.json

The play has N paragraphs in several styles; about half of them open with a
name of the cast of K names (some names extend others: a first name and the
same name with a patronymic), the rest are stage directions and speeches
that open with other words. The cast file is ANSI (code page 1251), one name
a line, lines ended by CR LF, as the program reads it.

A TEI play (tei_layout) is set in four styles: a speech's paragraph holds its
label and its first prose paragraph ("Городничий. Я пригласил вас"), with
the stage directions between them; a verse speech's label stands on its own
line. The speech's further paragraphs and its verse lines are in a style of
their own, and so are stage directions and heads. A label that does not end
in ".", ":" or ")" gets a full stop, as a typesetter puts one. Characters
the code page lacks (stress marks) are dropped.
"""
import argparse
import json
import random
import sys
import xml.etree.ElementTree as ET

FIRST = ["Анна", "Борис", "Вера", "Глеб", "Дарья", "Егор", "Жанна", "Зоя", "Илья", "Кира",
         "Лев", "Мария", "Нина", "Олег", "Павел", "Раиса", "Савва", "Тамара", "Ульяна", "Фёдор"]
PATRONYMIC = {"m": ["Павлович", "Ильич", "Андреевич", "Сергеевич"], "f": ["Петровна", "Николаевна", "Павловна"]}
WORDS = ["вечер", "сад", "чай", "лето", "дом", "окно", "самовар", "гармонь", "лампа", "дорога",
         "письмо", "город", "дождь", "веранда", "часы", "станция", "поезд", "гости", "шляпа", "тишина"]
STYLES = [
    {"name": "Реплика", "font": "Times New Roman Cyr", "size": 12, "leading": -1},
    {"name": "Ремарка", "font": "Times New Roman Cyr", "size": 10, "type_style": ["italic"], "leading": 12},
    {"name": "Заголовок", "font": "Academy", "size": 18, "type_style": ["bold"], "leading": -1},
    {"name": "Действующие лица", "font": "Times New Roman Cyr", "size": 11, "leading": 13},
]
# The styles of a TEI play, by the part of the play they set.
SPEECH, SPEECH_TEXT, DIRECTION, HEAD = "Реплика", "Текст реплики", "Ремарка", "Заголовок"
TEI_STYLES = [STYLES[0], {"name": SPEECH_TEXT, "font": "Times New Roman Cyr", "size": 12, "leading": -1}, STYLES[1],
              STYLES[2]]
TEI = "{http://www.tei-c.org/ns/1.0}"
FONTS = [{"name": "Times New Roman Cyr", "info": [4, 204, 18]}, {"name": "Arial Cyr", "info": [4, 204, 34]},
         {"name": "Academy", "info": [1, 204, 18]}]


def cast_of(count, rng):
    names = []
    for i in range(count):
        first = FIRST[i % len(FIRST)] + ("" if i < len(FIRST) else str(i // len(FIRST)))
        names.append(first)
        if len(names) < count and rng.random() < 0.5:
            gender = "f" if FIRST[i % len(FIRST)][-1] in "ая" else "m"
            names.append(first + " " + rng.choice(PATRONYMIC[gender]))
        if len(names) >= count:
            break
    return names[:count]


def sentence(rng, words=6):
    text = " ".join(rng.choice(WORDS) for _ in range(words))
    return text[0].upper() + text[1:] + "."


def play(paragraphs, cast, rng):
    out = [{"style": "Заголовок", "text": "Синтетическая пьеса"}]
    while len(out) < paragraphs:
        roll = rng.random()
        if roll < 0.5:
            out.append({"style": "Реплика", "text": rng.choice(cast) + ". " + sentence(rng)})
        elif roll < 0.8:
            out.append({"style": "Ремарка", "text": sentence(rng, 4)})
        else:
            out.append({"style": "Реплика", "text": sentence(rng, 8)})
    return out[:paragraphs]


def in_code_page(text):
    """`text` without what code page 1251 lacks, its white space collapsed."""
    kept = "".join(c for c in text if c.encode("cp1251", errors="ignore"))
    return " ".join(kept.split())


def tei_layout(path):
    """The paragraphs of the TEI play at `path` ({"style", "text"}, in order)
    and its speeches: (index of the paragraph that holds the label, the
    label as the TEI's <speaker> has it, in the code page)."""
    body = ET.parse(path).getroot().find(TEI + "text/" + TEI + "body")
    paragraphs, speeches = [], []

    def add(style, text):
        if text:
            paragraphs.append({"style": style, "text": text})

    def speech(sp):
        speaker = sp.find(TEI + "speaker")
        label = in_code_page("".join(speaker.itertext())) if speaker is not None else ""
        opening, rest, started = [label] if label else [], [], False
        for child in sp:
            tag = child.tag[len(TEI):]
            text = in_code_page("".join(child.itertext()))
            if tag == "speaker":
                continue
            if not started and tag == "stage":
                opening.append(text)
            elif not started and tag == "p":
                started = True
                opening.append(text)
            elif tag == "lg":
                started = True
                rest += [(SPEECH_TEXT, in_code_page("".join(line.itertext()))) for line in child.iter(TEI + "l")]
            elif tag == "l":
                started = True
                rest.append((SPEECH_TEXT, text))
            else:
                started = True
                rest.append((DIRECTION if tag == "stage" else SPEECH_TEXT, text))
        if label:
            if len(opening) > 1 and not label.endswith((".", ":", ")")):
                opening[0] = label + "."
            speeches.append((len(paragraphs), label))
            add(SPEECH, " ".join(t for t in opening if t) or label + ".")
        else:
            for text in opening:
                add(SPEECH_TEXT, text)
        for style, text in rest:
            add(style, text)

    def walk(element):
        for child in element:
            tag = child.tag[len(TEI):]
            if tag == "sp":
                speech(child)
            elif tag == "head":
                add(HEAD, in_code_page("".join(child.itertext())))
            elif tag == "stage":
                add(DIRECTION, in_code_page("".join(child.itertext())))
            elif tag in ("div", "lg"):
                walk(child)
            elif tag in ("p", "l", "trailer", "dateline"):
                add(SPEECH_TEXT, in_code_page("".join(child.itertext())))

    walk(body)
    return paragraphs, speeches


def tei_publication(path):
    paragraphs, _ = tei_layout(path)
    title = path.rsplit("/", 1)[-1].rsplit(".", 1)[0]
    return {"name": title, "story": 1, "fonts": FONTS, "styles": TEI_STYLES, "paragraphs": paragraphs}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--paragraphs", type=int)
    parser.add_argument("--tei")
    parser.add_argument("--cast", type=int, default=12)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--out", required=True)
    parser.add_argument("--words")
    args = parser.parse_args(argv)
    if args.tei:
        with open(args.out, "w", encoding="utf-8") as f:
            json.dump(tei_publication(args.tei), f, ensure_ascii=False, indent=1)
        return 0
    if args.paragraphs is None or args.paragraphs < 1 or args.cast < 1:
        parser.error("--paragraphs and --cast must be at least 1")
    rng = random.Random(args.seed)
    cast = cast_of(args.cast, rng)
    publication = {"name": "Синтетическая пьеса (%d)" % args.paragraphs, "story": 1, "fonts": FONTS,
                   "styles": STYLES, "paragraphs": play(args.paragraphs, cast, rng)}
    with open(args.out, "w", encoding="utf-8") as f:
        json.dump(publication, f, ensure_ascii=False, indent=1)
    if args.words:
        with open(args.words, "wb") as f:
            f.write("".join(name + "\r\n" for name in sorted(cast)).encode("cp1251"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
