"""The demonstration run behind tools/demo (python3 -m rig.demo FOLDER): the sample play in the host
stand-in, Rolemark started through the plug-in, the sample cast opened
through the window's dialog, a visible formatting chosen (a style's
formatting with a font from the list, a size, bold and italic), "Выполнить"
pressed; then "Проверить" on the third page, its report saved. Leaves the
host's dumps, the report and screenshots in the folder given as the only
argument:

    story.json  story.html  report.txt  rolemark-page1.png  rolemark-page2.png
    rolemark-page3.png  host.png

and prints a short summary with the report's rows for "Вера" and "Иван"
(names that also open longer words of the play). Exit code 0 only when the run formatted exactly
the names worked out from the play and the cast, and nothing else.
"""
import os
import shutil
import sys
import time

from rig import HOST_TITLE, SAMPLE_CAST, Rig, RigError, story_model as model, winpath

# The speech style's formatting, in another font, larger, bold and italic.
STYLE, FONT, SIZE = "Реплика", "Academy", "14,0"


def say(text):
    print("demo: " + text, flush=True)


def run(folder):
    with Rig("ru_RU.UTF-8") as rig:
        missing = rig.missing_programs()
        if missing:
            raise RigError("not built: %s (in %s)" % (", ".join(missing), rig.bin))
        say("Wine prefix %s, the %s build" % (rig.prefix, rig.arch))
        rig.ensure_prefix()
        host = rig.start_host()
        rig.seed_registry()
        rig.start_rolemark()
        return format_sample(rig, host, SAMPLE_CAST, folder)


def format_sample(rig, host, cast_path, folder):
    """With Rolemark's window up against `host` (the sample play): opens the
    cast `cast_path` through the window's dialog, chooses the formatting, runs
    over the whole story, leaves the dumps and screenshots in `folder` and
    tells whether exactly the expected names were formatted."""
    say("Rolemark started by the plug-in")
    with open(cast_path, "rb") as f:
        cast = model.read_cast(f.read().decode(rig.codepage))

    shown = rig.ui("wait-idle", "10000", "tab", 1, "press", "Button5", "open", winpath(cast_path),
                   "click", "EntireTextRadio", "tab", 2, "choose", "TargetStyleCombo", STYLE,
                   "choose", "FontCombo", FONT, "type", "SizeEdit", SIZE,
                   "leave", "SizeEdit", "click", "BoldCheck", "click", "ItalicCheck", "wait-idle", "5000",
                   "get", "FontCombo", "get", "SizeEdit", "get", "TrackingCombo", "get", "KerningEdit",
                   "get", "WidthEdit", "get", "BaseShiftEdit", "get", "BoldCheck", "get", "ItalicCheck",
                   "get", "NamesList")
    if not shown.ok:
        raise RigError("setting up the window: " + shown.error)
    names, _ = shown.items("NamesList")
    fonts, chosen = shown.items("FontCombo")
    _, track = shown.items("TrackingCombo")

    def number(name):
        return float(shown.text(name).replace(",", "."))
    settings = model.RunSettings(fonts[chosen], number("SizeEdit"), track, number("KerningEdit"),
                                 number("WidthEdit"), shown.checked("BoldCheck"), shown.checked("ItalicCheck"),
                                 number("BaseShiftEdit"))
    say("%d names in the list: %s" % (len(names), ", ".join(names)))
    say("formatting: %r" % settings)

    before = host.dump()
    started = time.monotonic()
    result = rig.ui("press", "Button2", "watch-progress", "60000", "wait-idle", "30000", "no-box", "300")
    seconds = time.monotonic() - started
    if not result.ok:
        box = rig.ui("box", "1000")
        raise RigError("the run did not end cleanly: %s %r" % (result.error, box.boxes()))
    after = host.dump()
    line = rig.ui("get", "SummaryLabel")
    say("the window says: %s" % (line.text("SummaryLabel") if line.ok else "(not read: %s)" % line.error))

    check_sample(rig, folder)
    for page in (1, 2, 3):
        form = rig.ui("tab", page, "sleep", "500", "form")
        rig.screenshot(os.path.join(folder, "rolemark-page%d.png" % page), form.form_box())
    rig.ui("close", "wait-gone", "10000")
    time.sleep(1)  # the host's view follows its story on a timer
    box = rig.x_window_box(HOST_TITLE)
    rig.screenshot(os.path.join(folder, "host.png"), box)
    host.stop()
    shutil.copy(host.dump_path, os.path.join(folder, "story.json"))
    shutil.copy(host.html_path, os.path.join(folder, "story.html"))

    expected = model.expected_names(before, cast, model.scope(before["paragraphs"]))
    problems, seen = model.compare(before, after, expected, settings)
    for line in problems:
        say("WRONG: " + line)
    done = {i: after["paragraphs"][i]["text"][:n] for i, n in sorted(seen.items())}
    say("%d names formatted in %d paragraphs in %.1f s: %s" % (
        len(done), len(after["paragraphs"]), seconds, ", ".join(sorted(set(done.values())))))
    return not problems and bool(expected)


def check_sample(rig, folder):
    """"Проверить" over the same scope, the report saved to `folder`; prints
    the check's line and the report's rows for "Вера" and "Иван"."""
    report = os.path.join(folder, "report.txt")
    if os.path.exists(report):
        os.remove(report)  # the save dialog would ask whether to replace it
    result = rig.ui("tab", 3, "press", "CheckButton", "watch-progress", "60000", "wait-idle", "30000", "no-box", "300",
                    "get", "SummaryLabel", "press", "SaveReportButton", "save-as", winpath(report), "wait-idle", "10000")
    if not result.ok:
        raise RigError("the check did not end cleanly: " + result.error)
    say("the check says: %s" % result.text("SummaryLabel"))
    with open(report, "rb") as f:
        rows = [line.split("\t") for line in f.read().decode(rig.codepage).split("\r\n")[1:] if line]
    for row in rows:
        if row[1] in ("Вера", "Иван"):
            say("report: %s" % " | ".join(row))


def main():
    folder = os.path.abspath(sys.argv[1])
    os.makedirs(folder, exist_ok=True)
    for name in ("story.json", "story.html", "report.txt", "rolemark-page1.png", "rolemark-page2.png",
                 "rolemark-page3.png", "host.png"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    try:
        ok = run(folder)
    except RigError as e:
        say("failed: %s" % e)
        return 1
    say("files in %s: story.html (the formatted story), story.json, report.txt, rolemark-page1.png to -page3.png, "
        "host.png" % folder)
    say("the run formatted the expected names" if ok else "the run did NOT format the expected names")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
