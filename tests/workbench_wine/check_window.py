#!/usr/bin/env python3
# group: wine
"""The real rolemark.exe under Wine, driven from outside by uidriver.exe
against the host stand-in pmstandin.exe.

Covers the program's start and end (first start installs, a start not from
the plug-in ends unseen, closing and the host quitting end the program and
record AppPath), the window with every control, caption and state at start,
its layout (inside the client area and the pages, nothing overlapping), the
first fill of the style and font lists, reloading the fields when a style is
chosen, the name list and its file, the type-style boxes, the spin fields,
a run with the progress bar moving and hidden again and the line that takes
its place, a run with only an insertion point, and a close during a run that
waits for the run's end. Saves a screenshot of each page after the run, and
of the first after the run with an insertion point, to
$ROLEMARK_OUT/screenshots/<build>/.

Prints one line per check and a final 'N passed, N failed'.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

from rig import unescape, wine, winpath  # uidriver's output, the Wine environment, Windows paths

ROOT, OUT = wine.ROOT, wine.OUT
BIN = wine.bin_dir()
WINE = wine.LOADER
KEY = r"HKCU\Software\Kestrova\Rolemark"
PLAY = os.path.join(ROOT, "standin", "sample", "play.json")

ENV = wine.environment("ru_RU.UTF-8")

# Every control of the window: class, caption or text at start, enabled,
# style bits that give its kind (mask, value), and checked state where it has one.
BS_TYPE, CBS_TYPE = 0x0F, 0x03
PUSH, CHECK, RADIO = (BS_TYPE, 0x0), (BS_TYPE, 0x3), (BS_TYPE, 0x9)
DROPLIST, DROPDOWN = (CBS_TYPE, 0x3), (CBS_TYPE, 0x2)
ANY = (0, 0)
CONTROLS = [
    # name, page, class, text (None: not compared), enabled, kind, checked
    ("Label2", 1, "Static", "Имена действующих лиц", 1, ANY, None),
    ("NamesEdit", 1, "Edit", "", 1, ANY, None),
    ("NamesList", 1, "ListBox", "", 1, ANY, None),
    ("Button1", 1, "Button", "+", 1, PUSH, None),
    ("Button3", 1, "Button", "–", 1, PUSH, None),
    ("Button4", 1, "Button", "Сохранить", 1, PUSH, None),
    ("Button5", 1, "Button", "Открыть", 1, PUSH, None),
    ("EntireTextRadio", 1, "Button", "По всему текстовому блоку", 1, RADIO, 0),
    ("SelParaRadio", 1, "Button", "Только выделенные абзацы", 1, RADIO, 1),
    ("UseStyleCheckBox", 1, "Button", "Только оформленные стилем", 1, CHECK, 0),
    ("SrcStyleCombo", 1, "ComboBox", "", 0, DROPLIST, None),
    ("Label1", 1, "Static", "Kestrova", 1, ANY, None),
    ("BasedOnCheckBox", 2, "Button", "Оформить, основываясь на стиле", 1, CHECK, 1),
    ("TargetStyleCombo", 2, "ComboBox", "", 1, DROPLIST, None),
    ("Label3", 2, "Static", "Шрифт", 1, ANY, None),
    ("FontCombo", 2, "ComboBox", "", 1, DROPLIST, None),
    ("Label4", 2, "Static", "Кегль", 1, ANY, None),
    ("SizeEdit", 2, "Edit", "10,0", 1, ANY, None),
    ("Label6", 2, "Static", "Трекинг", 1, ANY, None),
    ("TrackingCombo", 2, "ComboBox", "Без трекинга", 1, DROPDOWN, None),
    ("Label5", 2, "Static", "Кернинг", 1, ANY, None),
    ("KerningEdit", 2, "Edit", "0,00", 1, ANY, None),
    ("NormalCheck", 2, "Button", "Нормальный", 1, CHECK, 1),
    ("BoldCheck", 2, "Button", "Полужирный", 1, CHECK, 0),
    ("ItalicCheck", 2, "Button", "Курсив", 1, CHECK, 0),
    ("Label7", 2, "Static", "Интерлиньяж", 1, ANY, None),
    ("LeadingEdit", 2, "Edit", "12,00", 1, ANY, None),
    ("Label8", 2, "Static", "Ширина", 1, ANY, None),
    ("WidthEdit", 2, "Edit", "100", 1, ANY, None),
    ("Label9", 2, "Static", "Смещение", 1, ANY, None),
    ("BaseShiftEdit", 2, "Edit", "0,00", 1, ANY, None),
    ("Button2", 0, "Button", "Выполнить", 1, PUSH, None),
    ("ProgressBar", 0, "msctls_progress32", "", 1, ANY, None),
    ("SummaryLabel", 0, "Static", "", 1, ANY, None),
]
# Rows that share one place and are never shown together.
SHARED_PLACE = {("ProgressBar", "SummaryLabel")}
TRACKING = ["Без трекинга", "Очень жидкий", "Жидкий", "Нормальный", "Плотный", "Очень плотный"]
WS_VISIBLE, WS_THICKFRAME, WS_MAXIMIZEBOX = 0x10000000, 0x00040000, 0x00010000
CLIENT = (384, 247)


class Results:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, what, expected, got):
        if expected == got:
            self.passed += 1
            print("ok    %s" % what, flush=True)
        else:
            self.failed += 1
            print("FAIL  %s: expected %r, got %r" % (what, expected, got), flush=True)
        return expected == got

    def true(self, what, condition, detail=""):
        return self.check(what + (" (%s)" % detail if detail and not condition else ""), True, bool(condition))


R = Results()


class Session:
    """One working folder: the files handed to the programs, and the
    programs started in it."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="check_window_")
        self.procs = []
        self.calls = 0

    def wine(self, args, timeout=60):
        return subprocess.run([WINE] + args, env=ENV, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              stdin=subprocess.DEVNULL, timeout=timeout)

    def start(self, args):
        p = subprocess.Popen([WINE] + args, env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             stdin=subprocess.DEVNULL)
        self.procs.append(p)
        return p

    def ui(self, *args, timeout=120):
        """Runs uidriver with the commands; (ok, lines as field lists, error)."""
        self.calls += 1
        script = os.path.join(self.dir, "commands%d.txt" % self.calls)
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join(str(a) for a in args) + "\n")
        try:
            p = self.wine([os.path.join(BIN, "uidriver.exe"), "@" + winpath(script)], timeout=timeout)
        except subprocess.TimeoutExpired:
            return False, [], "uidriver timed out"
        lines = [[unescape(f) for f in l.split("\t")] for l in p.stdout.decode("utf-8", "replace").splitlines() if l]
        errors = [l[1] for l in lines if l[0] == "error"]
        if errors:
            # Some checks expect a failure; the line is there for the one that did not.
            print("note  uidriver: %s" % errors[0], flush=True)
        return p.returncode == 0, lines, errors[0] if errors else ""

    def reg_reset(self, **values):
        self.wine(["reg", "delete", KEY, "/f"])
        for name, value in values.items():
            if isinstance(value, int):
                self.wine(["reg", "add", KEY, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f"])
            else:
                self.wine(["reg", "add", KEY, "/v", name, "/t", "REG_SZ", "/d", value, "/f"])

    def reg_values(self):
        """The key's values as {name: str or int}; {} when it is missing."""
        exported = os.path.join(self.dir, "key.reg")
        if os.path.exists(exported):
            os.remove(exported)
        self.wine(["reg", "export", KEY, winpath(exported), "/y"])
        if not os.path.exists(exported):
            return {}
        values = {}
        with open(exported, "rb") as f:
            text = f.read().decode("utf-16")
        for line in text.splitlines():
            if not line.startswith('"') or "=" not in line:
                continue
            name, value = line.split("=", 1)
            name = name.strip('"')
            if value.startswith("dword:"):
                values[name] = int(value[6:], 16)
            else:
                values[name] = value.strip('"').replace("\\\\", "\\")
        return values

    def stop_all(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait()
        self.procs = []


def parse_dump(lines):
    d = {"controls": {}, "checked": {}, "lists": {}, "progress": {}, "tabs": [], "form": None}
    for f in lines:
        if f[0] == "form":
            d["form"] = {"class": f[1], "caption": f[2], "client": (int(f[3]), int(f[4])), "style": int(f[5], 16),
                         "origin": tuple(int(v) for v in f[7].split(","))}
        elif f[0] == "control":
            d["controls"][f[1]] = {"class": f[2], "style": int(f[3], 16), "enabled": int(f[4]), "visible": int(f[5]),
                                   "rect": tuple(int(v) for v in f[6].split(",")), "text": f[7] if len(f) > 7 else ""}
        elif f[0] == "checked":
            d["checked"][f[1]] = int(f[2])
        elif f[0] == "list":
            d["lists"][f[1]] = {"count": int(f[2]), "selected": int(f[3]), "items": []}
        elif f[0] == "item":
            d["lists"][f[1]]["items"].append(f[3] if len(f) > 3 else "")
        elif f[0] == "progress":
            d["progress"][f[1]] = (int(f[2]), int(f[3]), int(f[4]))
        elif f[0] == "tab":
            d["tabs"].append(f[3] if len(f) > 3 else "")
        elif f[0] == "tabs":
            d["current_tab"] = int(f[3])
    return d


def dump(s, *before):
    ok, lines, error = s.ui(*before, "dump")
    if not ok:
        R.check("uidriver dump works", "", error)
        return None
    return parse_dump(lines)


def boxes(lines):
    return [(l[1], l[2], l[3] if len(l) > 3 else "") for l in lines if l[0] == "box"]


def wait_exit(p, seconds):
    try:
        return p.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        return None


# --- the checks


def check_window_at_start(d):
    """The window and every control with its caption and state at start
    (the host has no publication open, so nothing was loaded)."""
    form = d["form"]
    R.check("window class and caption", ("TRolemark", "Rolemark"), (form["class"], form["caption"]))
    R.check("client area", CLIENT, form["client"])
    R.check("fixed frame (no sizing border, no maximise box)", 0, form["style"] & (WS_THICKFRAME | WS_MAXIMIZEBOX))
    # NOTE: uidriver reads the tab texts through the window's process memory
    # (VirtualAllocEx, Write/ReadProcessMemory); between two 32-bit programs
    # under qemu they come back empty, so the i686 build shows only the count.
    if wine.arch() == "win32":
        R.check("two tabs", 2, len(d["tabs"]))
    else:
        R.check("two tabs with their captions", ["Исходные", "Как оформить"], d["tabs"])
    R.check("first page shown at start", 0, d.get("current_tab"))
    R.check("first page visible, second hidden", (1, 0),
            (d["controls"]["TabSheet1"]["visible"], d["controls"]["TabSheet2"]["visible"]))
    for name, page, cls, text, enabled, (mask, kind), checked in CONTROLS:
        c = d["controls"].get(name)
        if not R.true("%s exists" % name, c is not None):
            continue
        got = (c["class"], c["enabled"], c["style"] & mask)
        R.check("%s: class, enabled, kind" % name, (cls, enabled, kind), got)
        if text is not None and name != "TrackingCombo":
            R.check("%s text" % name, text, c["text"])
        if checked is not None:
            R.check("%s checked" % name, checked, d["checked"].get(name))
        # A control lies on its page: shown with the first page, or hidden
        # with the second (its own visible flag stays set).
        if page:
            R.check("%s shown with its page" % name, 1 if page == 1 else 0, c["visible"])
    R.check("progress bar hidden, range 0 to 100", (0, (0, 100, 0)),
            (d["controls"]["ProgressBar"]["visible"], d["progress"]["ProgressBar"]))
    R.check("no run's line at start", 0, d["controls"]["SummaryLabel"]["visible"])
    tracking = d["lists"]["TrackingCombo"]
    R.check("TrackingCombo entries", TRACKING, tracking["items"])
    R.check("TrackingCombo shows its text with no entry selected", ("Без трекинга", -1),
            (d["controls"]["TrackingCombo"]["text"], tracking["selected"]))
    R.check("lists empty at start", (0, 0, 0, 0),
            tuple(d["lists"][n]["count"] for n in ("NamesList", "SrcStyleCombo", "TargetStyleCombo", "FontCombo")))


def check_layout(d):
    """Everything inside its page or the client area, nothing overlapping;
    Button2 at the bottom right, the progress bar at the bottom left."""
    sheet = d["controls"]["TabSheet1"]["rect"]
    pages = {0: [], 1: [], 2: []}
    for name, page, *_ in CONTROLS:
        if name in d["controls"]:
            pages[page].append((name, d["controls"][name]["rect"]))
    pages[0] += [("PageControl", d["controls"]["PageControl"]["rect"])]
    for page, rows in pages.items():
        width, height = CLIENT if page == 0 else sheet[2:]
        for name, (x, y, w, h) in rows:
            R.true("%s inside its area" % name, x >= 0 and y >= 0 and x + w <= width and y + h <= height,
                   "%r in %dx%d" % ((x, y, w, h), width, height))
        for i, (a, ra) in enumerate(rows):
            for b, rb in rows[i + 1:]:
                apart = (ra[0] + ra[2] <= rb[0] or rb[0] + rb[2] <= ra[0] or
                         ra[1] + ra[3] <= rb[1] or rb[1] + rb[3] <= ra[1])
                if not apart and (a, b) not in SHARED_PLACE:
                    R.true("%s and %s do not overlap" % (a, b), False, "%r and %r" % (ra, rb))
    button, bar, tabs = (d["controls"][n]["rect"] for n in ("Button2", "ProgressBar", "PageControl"))
    R.true("Button2 below the pages, at the right", button[1] >= tabs[1] + tabs[3] and button[0] + button[2] > 300)
    R.true("progress bar below the pages, at the left", bar[1] >= tabs[1] + tabs[3] and bar[0] < 20)


def screenshot(s, page, name):
    ok, lines, error = s.ui("tab", page, "sleep", 700, "form")
    forms = [l for l in lines if l[0] == "form"]
    if not R.true("page %d shown for its screenshot" % page, ok and forms, error):
        return
    x, y = (int(v) for v in forms[0][7].split(","))
    folder = os.path.join(OUT, "screenshots", wine.arch())
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, name)
    full = os.path.join(s.dir, "screen.png")
    shot = subprocess.run(["import", "-window", "root", full], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    crop = subprocess.run(["convert", full, "-crop", "%dx%d+%d+%d" % (CLIENT[0], CLIENT[1], x, y), "+repage", target],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE) if shot.returncode == 0 else shot
    R.true("screenshot %s saved" % name, crop.returncode == 0 and os.path.exists(target),
           crop.stderr.decode("utf-8", "replace").strip())


def styles_of_play():
    with open(PLAY, encoding="utf-8") as f:
        play = json.load(f)
    return play["styles"], [font["name"] for font in play["fonts"]]


def fields_of_style(style):
    size = float(style["size"])
    leading = style.get("leading", -1)
    leading = size * 1.2 if leading == -1 else float(leading)
    return {
        "SizeEdit": ("%.1f" % min(max(size, 2), 150)).replace(".", ","),
        "LeadingEdit": ("%.2f" % leading).replace(".", ","),
        "WidthEdit": str(round(style.get("width", 100))),
        "BaseShiftEdit": ("%.2f" % style.get("shift", 0)).replace(".", ","),
    }


def check_fields(d, style, when):
    for name, value in fields_of_style(style).items():
        R.check("%s %s" % (name, when), value, d["controls"][name]["text"])
    font = d["lists"]["FontCombo"]
    R.check("FontCombo %s" % when, style["font"], font["items"][font["selected"]] if font["selected"] >= 0 else "")
    R.check("TrackingCombo %s" % when, style.get("track", 0), d["lists"]["TrackingCombo"]["selected"])


def plural(n, one, few, many):
    if 11 <= n % 100 <= 14:
        return many
    return one if n % 10 == 1 else few if 2 <= n % 10 <= 4 else many


def summary_line(names, paragraphs):
    where = "в %d %s" % (paragraphs, plural(paragraphs, "абзаце", "абзацах", "абзацах"))
    if not names:
        return "Ни одного имени не найдено " + where
    return "Оформлено %d %s %s" % (names, plural(names, "имя", "имени", "имён"), where)


def transcript_entries(path):
    entries = []
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            for line in f:
                try:
                    entries.append(json.loads(line))
                except ValueError:
                    pass
    return entries


def transcript_texts(path):
    return [e.get("text", "") for e in transcript_entries(path)]


def scenario_first_start(s, rolemark):
    """No AppPath yet: only the installation box, then the end; AppPath is
    the program's path and FromAdd is not touched."""
    s.reg_reset()
    p = s.start([rolemark])
    ok, lines, error = s.ui("box")
    R.check("first start: installation box", [("Инсталляция", "icon", "Rolemark установлен!")], boxes(lines))
    R.check("first start: program ends", 0, wait_exit(p, 20))
    values = s.reg_values()
    R.check("first start: AppPath is the program", winpath(rolemark).lower(), str(values.get("AppPath", "")).lower())
    R.check("first start: FromAdd not written", None, values.get("FromAdd"))


def scenario_not_from_plugin(s, rolemark):
    """FromAdd = 0: the program ends by itself without waiting for the user;
    FromAdd stays 0 and AppPath is rewritten."""
    s.reg_reset(AppPath="C:\\old\\rolemark.exe", FromAdd=0)
    p = s.start([rolemark])
    R.check("start not from the plug-in: program ends by itself", 0, wait_exit(p, 20))
    values = s.reg_values()
    R.check("start not from the plug-in: FromAdd", 0, values.get("FromAdd"))
    R.check("start not from the plug-in: AppPath rewritten", winpath(rolemark).lower(),
            str(values.get("AppPath", "")).lower())


def scenario_no_publication(s, rolemark, standin):
    """The host answers state 1: the state message, then the window with
    every control at its default; closing the window ends the program."""
    s.reg_reset(AppPath="C:\\old\\rolemark.exe", FromAdd=1)
    s.start([standin, "--strict", "--states", "1"])
    ok, lines, error = s.ui("wait-title", "Adobe PageMaker 6.5")
    R.true("stand-in window appears", ok, error)
    p = s.start([rolemark])
    ok, lines, error = s.ui("box")
    R.check("no publication: state message", [("Проблемы при работе", "none", "Для начала откройте публикацию")],
            boxes(lines))
    d = dump(s, "wait-idle")
    if d:
        check_window_at_start(d)
        check_layout(d)
    R.check("FromAdd reset to 0 while the window is open", 0, s.reg_values().get("FromAdd"))
    ok, lines, error = s.ui("close", "wait-gone")
    R.true("closing the window removes it", ok, error)
    R.check("closing the window ends the program", 0, wait_exit(p, 20))
    R.check("closing: AppPath written", winpath(rolemark).lower(), str(s.reg_values().get("AppPath", "")).lower())
    s.stop_all()


def scenario_publication(s, rolemark, standin):
    """The sample play: the lists filled from the host, choosing styles
    reloads the fields, names, boxes and spin fields, a run, screenshots, and
    the end when the host quits."""
    styles, fonts = styles_of_play()
    names = [st["name"] for st in styles]
    transcript = os.path.join(s.dir, "transcript.jsonl")
    s.reg_reset(AppPath="C:\\old\\rolemark.exe", FromAdd=1)
    # Each GetTextCursor answered a little late, so that a run lasts long
    # enough to watch the progress bar move.
    host = s.start([standin, "--strict", "--transcript", winpath(transcript), "--delay-reply", "GetTextCursor",
                    "--delay-seconds", "0.05"])
    ok, lines, error = s.ui("wait-title", "Adobe PageMaker 6.5")
    R.true("stand-in window appears", ok, error)
    p = s.start([rolemark])
    d = dump(s, "wait-idle", "no-box", 500)
    if not d:
        s.stop_all()
        return
    lists = d["lists"]
    R.check("SrcStyleCombo: the host's styles, sorted", sorted(names, key=str.casefold), lists["SrcStyleCombo"]["items"])
    R.check("TargetStyleCombo: the host's styles in its order", names, lists["TargetStyleCombo"]["items"])
    R.check("FontCombo: the host's fonts, sorted", sorted(fonts, key=str.casefold), lists["FontCombo"]["items"])
    R.check("second entry selected in both style lists", (1, 1),
            (lists["SrcStyleCombo"]["selected"], lists["TargetStyleCombo"]["selected"]))
    check_fields(d, styles[1], "loaded from the second style")

    # Choosing a target style loads its formatting.
    title = next(st for st in styles if st.get("track", 0) and st.get("leading", 0) == -1)
    d = dump(s, "tab", 2, "choose", "TargetStyleCombo", title["name"], "wait-idle")
    if d:
        check_fields(d, title, "after choosing " + title["name"])
    # A source style reloads from the target style too, over the user's edit.
    d = dump(s, "type", "SizeEdit", "33", "tab", 1, "click", "UseStyleCheckBox",
             "choose", "SrcStyleCombo", names[0], "wait-idle")
    if d:
        R.check("SrcStyleCombo enabled by its check box", 1, d["controls"]["SrcStyleCombo"]["enabled"])
        check_fields(d, title, "after choosing a source style")
    # Keyboard: Tab moves from the check box to the list it enabled, then out
    # of the page to the run button.
    ok, lines, error = s.ui("tab-key", "wait-focus", "SrcStyleCombo", "tab-key", "wait-focus", "Button2")
    R.true("Tab moves through the page and out of it", ok, error)
    begins = [t for t in transcript_texts(transcript) if t.startswith("StyleBegin")]
    R.check("style loads asked of the host", ['StyleBegin "%s"' % n for n in (names[1], title["name"], title["name"])],
            begins)

    # The spin fields: buttons, range on leaving, unreadable text.
    ok, lines, error = s.ui("tab", 2, "type", "SizeEdit", "149", "key", "SizeEdit", "up", "key", "SizeEdit", "up",
                            "get", "SizeEdit", "type", "KerningEdit", "abc", "leave", "KerningEdit",
                            "get", "KerningEdit", "type", "WidthEdit", "300", "leave", "WidthEdit", "get", "WidthEdit",
                            "key", "LeadingEdit", "down", "get", "LeadingEdit")
    texts = [l[7] for l in lines if l[0] == "control"]
    leading = fields_of_style(title)["LeadingEdit"]
    lower = ("%.2f" % (float(leading.replace(",", ".")) - 0.1)).replace(".", ",")
    R.check("spin fields: up stops at the top, leaving keeps text that is no number and clamps, down steps",
            ["150,0", "abc", "250", lower], texts)

    # The type-style boxes follow the focused box only.
    ok, lines, error = s.ui("click", "BoldCheck", "click", "ItalicCheck", "get", "NormalCheck",
                            "click", "NormalCheck", "get", "NormalCheck", "get", "BoldCheck", "get", "ItalicCheck",
                            "click", "BasedOnCheckBox", "get", "TargetStyleCombo")
    checked = [int(l[2]) for l in lines if l[0] == "checked"]
    R.check("type-style boxes: bold unchecks normal; normal unchecks bold and italic", [0, 1, 0, 0], checked)
    enabled = [int(l[4]) for l in lines if l[0] == "control" and l[1] == "TargetStyleCombo"]
    R.check("BasedOnCheckBox unchecked disables TargetStyleCombo", [0], enabled)

    # The name list: sorted without regard to case, removal, the file.
    saved = os.path.join(s.dir, "cast")
    ok, lines, error = s.ui("tab", 1, "add-name", "Борис", "add-name", "анна", "add-name", "Анна Павловна",
                            "add-name", "Ведущий", "select", "NamesList", 3, "click", "Button3",
                            "press", "Button4", "save-as", winpath(saved), "get", "NamesList")
    d = parse_dump(lines)
    R.check("names sorted, the selected one removed", ["анна", "Анна Павловна", "Борис"],
            d["lists"].get("NamesList", {}).get("items"))
    R.check("save dialog title", [["dialog", "Сохранить список действующих лиц"]], [l for l in lines if l[0] == "dialog"])
    data = open(saved + ".txt", "rb").read() if os.path.exists(saved + ".txt") else b""
    R.check("name file: ANSI lines ended by CR LF, extension added",
            "анна\r\nАнна Павловна\r\nБорис\r\n".encode("cp1251"), data)
    # A failure in a handler reaches the application-wide error box.
    missing = winpath(os.path.join(s.dir, "missing.txt"))
    ok, lines, error = s.ui("press", "Button5", "open", missing, "box", "get", "NamesList")
    R.check("open a missing file: the error box", [("Rolemark", "icon", "Cannot open file %s." % missing)], boxes(lines))
    R.check("open a missing file: the list unchanged", ["анна", "Анна Павловна", "Борис"],
            parse_dump(lines)["lists"].get("NamesList", {}).get("items"))

    # A run over the whole story: the bar moves, then hides; no box. A
    # tracking typed rather than chosen is sent as -1.
    ok, lines, error = s.ui("tab", 2, "type", "TrackingCombo", "свой", "tab", 1, "click", "EntireTextRadio", "press", "Button2", "watch-progress", 120000,
                            "wait-idle", "no-box", 500)
    seen = [(int(l[1]), int(l[2])) for l in lines if l[0] == "seen"]
    shown = [pos for visible, pos in seen if visible]
    if not ok:
        # Say what stopped the run, and take the box away so that the
        # checks after this one see the window, not the box.
        dismissed, box_lines, _ = s.ui("box", 1000)
        error += "; " + repr(boxes(box_lines))
    R.true("run: ends with no message box", ok, error)
    R.true("run: the progress bar moves while shown", len(set(shown)) >= 3 and shown == sorted(shown), repr(seen))
    R.true("run: the progress bar is hidden again", seen and seen[-1][0] == 0, repr(seen[-3:]))
    texts = transcript_texts(transcript)
    # The line in the bar's place: the names formatted (the stand-in's
    # transcript: one Font command each) in the paragraphs read (one Copy each).
    names, paragraphs = sum(t.startswith("Font ") for t in texts), texts.count("Copy")
    ok, lines, error = s.ui("get", "SummaryLabel", "get", "ProgressBar")
    shown = {l[1]: (int(l[5]), l[7] if len(l) > 7 else "") for l in lines if l[0] == "control"}
    R.check("run: its line shows in the bar's place",
            {"SummaryLabel": (1, summary_line(names, paragraphs)), "ProgressBar": (0, "")}, shown)
    R.true("run: names formatted with the chosen font", 'Font "%s"' % title["font"] in texts)
    R.true("run: a typed tracking is sent as -1", "Track -1" in texts and "Track %d" % title["track"] not in texts)
    R.check("run: the host knew every command", [],
            [e["text"] for e in transcript_entries(transcript) if e.get("note", "").startswith("unknown command")])

    screenshot(s, 1, "page1.png")
    screenshot(s, 2, "page2.png")

    # Only the selected paragraphs, with only an insertion point in the
    # story: nothing is treated, and the line says why.
    copies = texts.count("Copy")
    ok, lines, error = s.ui("tab", 1, "click", "SelParaRadio", "press", "Button2", "wait-idle", "no-box", 500,
                            "get", "SummaryLabel")
    line = [(int(l[5]), l[7]) for l in lines if l[0] == "control"]
    R.check("run with an insertion point only: nothing read, the line says why",
            (copies, [(1, "Нет выделенных абзацев: выделите текст или выберите «По всему текстовому блоку»")]),
            (transcript_texts(transcript).count("Copy"), line))
    screenshot(s, 1, "page1-no-selection.png")

    # The host quits: the window goes at the next idle moment.
    s.reg_reset(AppPath="C:\\old\\rolemark.exe", FromAdd=0)
    host.kill()
    host.wait()
    ok, lines, error = s.ui("nudge", "wait-gone")
    R.true("host quits: the window goes", ok, error)
    R.check("host quits: the program ends", 0, wait_exit(p, 20))
    R.check("host quits: AppPath written", winpath(rolemark).lower(), str(s.reg_values().get("AppPath", "")).lower())
    s.stop_all()


def scenario_close_during_run(s, rolemark, standin):
    """Closing the window while a run is in progress: the run goes on to its
    end, then the window goes and the program ends."""
    transcript = os.path.join(s.dir, "transcript_close.jsonl")
    s.reg_reset(AppPath="C:\\old\\rolemark.exe", FromAdd=1)
    s.start([standin, "--strict", "--transcript", winpath(transcript), "--delay-reply", "GetTextCursor",
             "--delay-seconds", "0.05"])
    ok, lines, error = s.ui("wait-title", "Adobe PageMaker 6.5")
    R.true("stand-in window appears", ok, error)
    p = s.start([rolemark])
    ok, lines, error = s.ui("wait-idle", "add-name", "Анна", "click", "EntireTextRadio", "press", "Button2",
                            "close", "watch-progress", 120000, "wait-gone")
    seen = [(int(l[1]), int(l[2])) for l in lines if l[0] == "seen"]
    R.true("close during a run: the run goes on, then the window goes", ok and len(seen) > 2, error or repr(seen))
    R.check("close during a run: the program ends", 0, wait_exit(p, 20))
    R.check("close during a run: the run ended normally", "SuppressAutosave 0",
            ([t for t in transcript_texts(transcript) if t.startswith("SuppressAutosave")] or [""])[-1])
    s.stop_all()


def main():
    rolemark = os.path.join(BIN, "rolemark.exe")
    standin = os.path.join(BIN, "pmstandin.exe")
    missing = [p for p in (rolemark, os.path.join(BIN, "uidriver.exe"), standin) if not os.path.exists(p)]
    if missing:
        for path in missing:
            R.check("program built", path, "missing")
    elif not os.environ.get("DISPLAY"):
        R.check("an X display (run under xvfb-run)", "DISPLAY set", "no DISPLAY")
    else:
        s = Session()
        try:
            scenario_first_start(s, rolemark)
            scenario_not_from_plugin(s, rolemark)
            scenario_no_publication(s, rolemark, standin)
            scenario_publication(s, rolemark, standin)
            scenario_close_during_run(s, rolemark, standin)
        finally:
            s.stop_all()
            shutil.rmtree(s.dir, ignore_errors=True)
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
