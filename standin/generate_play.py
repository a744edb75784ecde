#!/usr/bin/env python3
"""Writes a large synthetic play for the host stand-in, and its cast.

  generate_play.py --paragraphs N [--cast K] [--seed S] --out PLAY.json [--words WORDS.txt]

The play has N paragraphs in several styles; about half of them open with a
name of the cast of K names (some names extend others: a first name and the
same name with a patronymic), the rest are stage directions and speeches
that open with other words. The cast file is ANSI (code page 1251), one name
a line, lines ended by CR LF, as the program reads it.
"""
import argparse
import json
import random
import sys

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


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--paragraphs", type=int, required=True)
    parser.add_argument("--cast", type=int, default=12)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--out", required=True)
    parser.add_argument("--words")
    args = parser.parse_args(argv)
    if args.paragraphs < 1 or args.cast < 1:
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
