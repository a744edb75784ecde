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
its place, a run with only an insertion point, a close during a run that
waits for the run's end, a run stopped by Esc with its controls disabled
meanwhile, and a check from the third page. Saves a screenshot of each page
after the run (the third after the check), and of the first after the run
with an insertion point, to
$ROLEMARK_OUT/screenshots/<build>/.

Prints one line per check and a final 'N passed, N failed'.
"""
import json
import os
import sys

from rig import SAMPLE_PLAY, Results, Rig, RigError, wait_exit, wine, winpath

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
    ("ReportList", 3, "SysListView32", "", 1, ANY, None),
    ("CheckButton", 3, "Button", "Проверить", 1, PUSH, None),
    ("WholeWordCheckBox", 3, "Button", "Только целым словом", 1, CHECK, 0),
    ("AddAllButton", 3, "Button", "Добавить все", 1, PUSH, None),
    ("AddSelectedButton", 3, "Button", "Добавить выбранные", 1, PUSH, None),
    ("SaveReportButton", 3, "Button", "Сохранить отчёт", 1, PUSH, None),
    ("Button2", 0, "Button", "Выполнить", 1, PUSH, None),
    ("ProgressBar", 0, "msctls_progress32", "", 1, ANY, None),
    ("SummaryLabel", 0, "Static", "", 1, ANY, None),
]
# Rows that share one place and are never shown together.
SHARED_PLACE = {("ProgressBar", "SummaryLabel")}
TRACKING = ["Без трекинга", "Очень жидкий", "Жидкий", "Нормальный", "Плотный", "Очень плотный"]
WS_THICKFRAME, WS_MAXIMIZEBOX = 0x00040000, 0x00010000
CLIENT = (384, 247)


OLD_PATH = "C:\\old\\rolemark.exe"  # an AppPath the program must rewrite
# Each GetTextCursor answered a little late, so that a run lasts long enough
# to watch the progress bar move.
SLOW_CURSOR = (("delay-reply", "GetTextCursor"), ("delay-seconds", "0.05"))

R = Results()


def dump(rig, *before):
    """The whole window after the commands `before`; None when uidriver failed."""
    result = rig.ui(*before, "dump")
    if not result.ok:
        R.check("uidriver dump works", "", result.error)
        return None
    return result


def app_path(values):
    """AppPath of the key's `values` (Rig.registry()) as (type, path in lower case)."""
    kind, text = (values or {}).get("AppPath", ("missing", ""))
    return kind, text.lower()


def texts(host):
    """What the host was sent and asked, in order."""
    return [e.get("text", "") for e in host.transcript()]


def start_host(rig, *faults):
    """The stand-in (the rig has it strict: a command it does not know
    fails); the rig waits for its service, the check for its window."""
    host = rig.start_host(faults=faults)
    shown = rig.ui("wait-title", "Adobe PageMaker 6.5")
    R.true("stand-in window appears", shown.ok, shown.error)
    return host


# --- the checks


def check_window_at_start(d):
    """The window and every control with its caption and state at start
    (the host has no publication open, so nothing was loaded)."""
    form = d.form()
    R.check("window class and caption", ("TRolemark", "Rolemark"), (form["class"], form["caption"]))
    R.check("client area", CLIENT, form["client"])
    R.check("fixed frame (no sizing border, no maximise box)", 0, form["style"] & (WS_THICKFRAME | WS_MAXIMIZEBOX))
    tabs = [l[3] if len(l) > 3 else "" for l in d.rows("tab")]
    # NOTE: uidriver reads the tab texts through the window's process memory
    # (VirtualAllocEx, Write/ReadProcessMemory); between two 32-bit programs
    # under qemu they come back empty, so an emulated build shows only the count.
    if wine.emulated():
        R.check("three tabs", 3, len(tabs))
    else:
        R.check("three tabs with their captions", ["Исходные", "Как оформить", "Проверка"], tabs)
    current = d.rows("tabs")
    R.check("first page shown at start", 0, int(current[-1][3]) if current else None)
    R.check("first page visible, the others hidden", (1, 0, 0),
            tuple(d.control("TabSheet%d" % n)["visible"] for n in (1, 2, 3)))
    for name, page, cls, text, enabled, (mask, kind), checked in CONTROLS:
        c = d.control(name)
        if not R.true("%s exists" % name, c is not None):
            continue
        got = (c["class"], c["enabled"], c["style"] & mask)
        R.check("%s: class, enabled, kind" % name, (cls, enabled, kind), got)
        if text is not None and name != "TrackingCombo":
            R.check("%s text" % name, text, c["text"])
        if checked is not None:
            R.check("%s checked" % name, checked, d.checked(name))
        # A control lies on its page: shown with the first page, or hidden
        # with the others (its own visible flag stays set).
        if page:
            R.check("%s shown with its page" % name, 1 if page == 1 else 0, c["visible"])
    progress = [tuple(int(v) for v in l[2:5]) for l in d.rows("progress", "ProgressBar")]
    R.check("progress bar hidden, range 0 to 100", (0, [(0, 100, 0)]), (d.control("ProgressBar")["visible"], progress))
    R.check("no run's line at start", 0, d.control("SummaryLabel")["visible"])
    items, selected = d.items("TrackingCombo")
    R.check("TrackingCombo entries", TRACKING, items)
    R.check("TrackingCombo shows its text with no entry selected", ("Без трекинга", -1),
            (d.text("TrackingCombo"), selected))
    R.check("lists empty at start", ([], [], [], []),
            tuple(d.items(n)[0] for n in ("NamesList", "SrcStyleCombo", "TargetStyleCombo", "FontCombo")))


def check_layout(d):
    """Everything inside its page or the client area, nothing overlapping;
    Button2 at the bottom right, the progress bar at the bottom left."""
    sheet = d.control("TabSheet1")["rect"]
    pages = {0: [], 1: [], 2: [], 3: []}
    for name, page, *_ in CONTROLS:
        if d.control(name):
            pages[page].append((name, d.control(name)["rect"]))
    pages[0].append(("PageControl", d.control("PageControl")["rect"]))
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
    button, bar, tabs = (d.control(n)["rect"] for n in ("Button2", "ProgressBar", "PageControl"))
    R.true("Button2 below the pages, at the right", button[1] >= tabs[1] + tabs[3] and button[0] + button[2] > 300)
    R.true("progress bar below the pages, at the left", bar[1] >= tabs[1] + tabs[3] and bar[0] < 20)


def screenshot(rig, page, name):
    shown = rig.ui("tab", page, "sleep", 700, "form")
    if not R.true("page %d shown for its screenshot" % page, shown.ok and shown.form(), shown.error):
        return
    folder = os.path.join(wine.OUT, "screenshots", rig.arch)
    os.makedirs(folder, exist_ok=True)
    target = os.path.join(folder, name)
    try:
        rig.screenshot(target, shown.form_box())
        error = ""
    except RigError as e:
        error = str(e)
    R.true("screenshot %s saved" % name, not error and os.path.exists(target), error)


def styles_of_play():
    with open(SAMPLE_PLAY, encoding="utf-8") as f:
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
        R.check("%s %s" % (name, when), value, d.text(name))
    fonts, selected = d.items("FontCombo")
    R.check("FontCombo %s" % when, style["font"], fonts[selected] if selected >= 0 else "")
    R.check("TrackingCombo %s" % when, style.get("track", 0), d.items("TrackingCombo")[1])


def plural(n, one, few, many):
    if 11 <= n % 100 <= 14:
        return many
    return one if n % 10 == 1 else few if 2 <= n % 10 <= 4 else many


def summary_line(names, paragraphs, stopped=False):
    where = "в %d %s" % (paragraphs, plural(paragraphs, "абзаце", "абзацах", "абзацах"))
    if not names:
        line = "ни одного имени не найдено " + where
    else:
        line = "оформлено %d %s %s" % (names, plural(names, "имя", "имени", "имён"), where)
    return "Остановлено: " + line if stopped else line[0].upper() + line[1:]




def scenario_first_start(rig):
    """No key yet: only the installation box, then the end; AppPath is the
    program's path and FromAdd is not touched."""
    rolemark = rig.program("rolemark.exe")
    rig.seed_registry_values(None)
    p = rig.spawn(rolemark)
    R.check("first start: installation box", [("Инсталляция", "icon", "Rolemark установлен!")], rig.ui("box").boxes())
    R.check("first start: program ends", 0, wait_exit(p, 20))
    values = rig.registry()
    R.check("first start: AppPath is the program", ("REG_SZ", winpath(rolemark).lower()), app_path(values))
    R.check("first start: FromAdd not written", None, (values or {}).get("FromAdd"))


def scenario_not_from_plugin(rig):
    """FromAdd = 0: the program ends by itself without waiting for the user;
    FromAdd stays 0 and AppPath is rewritten."""
    rolemark = rig.program("rolemark.exe")
    rig.seed_registry(OLD_PATH, from_add=0)
    p = rig.spawn(rolemark)
    R.check("start not from the plug-in: program ends by itself", 0, wait_exit(p, 20))
    values = rig.registry() or {}
    R.check("start not from the plug-in: FromAdd", ("REG_DWORD", "0x0"), values.get("FromAdd"))
    R.check("start not from the plug-in: AppPath rewritten", ("REG_SZ", winpath(rolemark).lower()), app_path(values))


def scenario_no_publication(rig):
    """The host answers state 1: the state message, then the window with
    every control at its default; closing the window ends the program."""
    rolemark = rig.program("rolemark.exe")
    rig.seed_registry(OLD_PATH, from_add=1)
    start_host(rig, ("states", "1"))
    p = rig.spawn(rolemark)
    R.check("no publication: state message", [("Проблемы при работе", "none", "Для начала откройте публикацию")],
            rig.ui("box").boxes())
    d = dump(rig, "wait-idle")
    if d:
        check_window_at_start(d)
        check_layout(d)
    R.check("FromAdd reset to 0 while the window is open", ("REG_DWORD", "0x0"), (rig.registry() or {}).get("FromAdd"))
    closed = rig.ui("close", "wait-gone")
    R.true("closing the window removes it", closed.ok, closed.error)
    R.check("closing the window ends the program", 0, wait_exit(p, 20))
    R.check("closing: AppPath written", ("REG_SZ", winpath(rolemark).lower()), app_path(rig.registry()))


def scenario_publication(rig):
    """The sample play: the lists filled from the host, choosing styles
    reloads the fields, names, boxes and spin fields, a run, screenshots, and
    the end when the host quits."""
    rolemark = rig.program("rolemark.exe")
    styles, fonts = styles_of_play()
    names = [st["name"] for st in styles]
    rig.seed_registry(OLD_PATH, from_add=1)
    host = start_host(rig, *SLOW_CURSOR)
    p = rig.spawn(rolemark)
    d = dump(rig, "wait-idle", "no-box", 500)
    if not d:
        return
    (src, src_selected), (target, target_selected) = d.items("SrcStyleCombo"), d.items("TargetStyleCombo")
    R.check("SrcStyleCombo: the host's styles, sorted", sorted(names, key=str.casefold), src)
    R.check("TargetStyleCombo: the host's styles in its order", names, target)
    R.check("FontCombo: the host's fonts, sorted", sorted(fonts, key=str.casefold), d.items("FontCombo")[0])
    R.check("second entry selected in both style lists", (1, 1), (src_selected, target_selected))
    check_fields(d, styles[1], "loaded from the second style")

    # Choosing a target style loads its formatting.
    title = next(st for st in styles if st.get("track", 0) and st.get("leading", 0) == -1)
    d = dump(rig, "tab", 2, "choose", "TargetStyleCombo", title["name"], "wait-idle")
    if d:
        check_fields(d, title, "after choosing " + title["name"])
    # A source style reloads from the target style too, over the user's edit.
    d = dump(rig, "type", "SizeEdit", "33", "tab", 1, "click", "UseStyleCheckBox",
             "choose", "SrcStyleCombo", names[0], "wait-idle")
    if d:
        R.check("SrcStyleCombo enabled by its check box", 1, d.control("SrcStyleCombo")["enabled"])
        check_fields(d, title, "after choosing a source style")
    # Keyboard: Tab moves from the check box to the list it enabled, then out
    # of the page to the run button.
    moved = rig.ui("tab-key", "wait-focus", "SrcStyleCombo", "tab-key", "wait-focus", "Button2")
    R.true("Tab moves through the page and out of it", moved.ok, moved.error)
    begins = [t for t in texts(host) if t.startswith("StyleBegin")]
    R.check("style loads asked of the host", ['StyleBegin "%s"' % n for n in (names[1], title["name"], title["name"])],
            begins)

    # The spin fields: buttons, range on leaving, unreadable text.
    spun = rig.ui("tab", 2, "type", "SizeEdit", "149", "key", "SizeEdit", "up", "key", "SizeEdit", "up",
                  "get", "SizeEdit", "type", "KerningEdit", "abc", "leave", "KerningEdit",
                  "get", "KerningEdit", "type", "WidthEdit", "300", "leave", "WidthEdit", "get", "WidthEdit",
                  "key", "LeadingEdit", "down", "get", "LeadingEdit")
    leading = fields_of_style(title)["LeadingEdit"]
    lower = ("%.2f" % (float(leading.replace(",", ".")) - 0.1)).replace(".", ",")
    R.check("spin fields: up stops at the top, leaving keeps text that is no number and clamps, down steps",
            ["150,0", "abc", "250", lower], [l[7] for l in spun.rows("control")])

    # The type-style boxes follow the focused box only. (The kerning gets a
    # number back first: a run refuses a field that holds none.)
    boxes = rig.ui("type", "KerningEdit", "0", "leave", "KerningEdit", "click", "BoldCheck", "click", "ItalicCheck", "get", "NormalCheck",
                   "click", "NormalCheck", "get", "NormalCheck", "get", "BoldCheck", "get", "ItalicCheck",
                   "click", "BasedOnCheckBox", "get", "TargetStyleCombo")
    R.check("type-style boxes: bold unchecks normal; normal unchecks bold and italic", [0, 1, 0, 0],
            [int(l[2]) for l in boxes.rows("checked")])
    R.check("BasedOnCheckBox unchecked disables TargetStyleCombo", [0],
            [int(l[4]) for l in boxes.rows("control", "TargetStyleCombo")])

    # The name list: sorted without regard to case, removal, the file.
    saved = os.path.join(rig.work, "cast")
    listed = rig.ui("tab", 1, "add-name", "Борис", "add-name", "анна", "add-name", "Анна Павловна",
                    "add-name", "Ведущий", "select", "NamesList", 3, "click", "Button3",
                    "press", "Button4", "save-as", winpath(saved), "get", "NamesList")
    R.check("names sorted, the selected one removed", ["анна", "Анна Павловна", "Борис"], listed.items("NamesList")[0])
    R.check("save dialog title", [["dialog", "Сохранить список действующих лиц"]], listed.rows("dialog"))
    data = open(saved + ".txt", "rb").read() if os.path.exists(saved + ".txt") else b""
    R.check("name file: ANSI lines ended by CR LF, extension added",
            "анна\r\nАнна Павловна\r\nБорис\r\n".encode("cp1251"), data)
    # A failure in a handler reaches the application-wide error box.
    # NOTE: not where the i686 build runs under qemu: there the second file
    # dialog of a process now and then never shows (seen in 2 of about 10
    # runs, both tries of a CI run among them), and the program waits in it
    # for good. The same code is checked on x86_64; the i686 open dialog in
    # check_run.
    if wine.emulated():
        print("      open a missing file: not under qemu's emulation (a second file dialog)")
    else:
        missing = winpath(os.path.join(rig.work, "missing.txt"))
        opened = rig.ui("press", "Button5", "open", missing, "box", "get", "NamesList")
        R.check("open a missing file: the error box", [("Rolemark", "icon", "Cannot open file %s." % missing)],
                opened.boxes())
        R.check("open a missing file: the list unchanged", ["анна", "Анна Павловна", "Борис"],
                opened.items("NamesList")[0])

    # A tracking typed rather than chosen is sent as -1, which the host
    # refuses: the run stops at that paragraph and says so.
    refused = rig.ui("tab", 2, "type", "TrackingCombo", "свой", "tab", 1, "click", "EntireTextRadio", "press", "Button2",
                     "box", 120000, "wait-idle")
    before = texts(host)
    boxes = refused.boxes()
    R.true("run: a typed tracking is sent as -1, and the host's refusal stops the run",
           "Track -1" in before and "Track %d" % title["track"] not in before and len(boxes) == 1
           and boxes[0][2].startswith("PageMaker не выполнил команду «Track -1» (абзац "), refused.error or repr(boxes))

    # A run over the whole story with the style's tracking chosen: the bar
    # moves, then hides; no box.
    run = rig.ui("tab", 2, "choose", "TrackingCombo", TRACKING[title["track"]], "tab", 1, "press", "Button2",
                 "watch-progress", 120000, "wait-idle", "no-box", 500)
    seen = [(int(l[1]), int(l[2])) for l in run.rows("seen")]
    shown = [pos for visible, pos in seen if visible]
    error = run.error
    if not run.ok:
        # Say what stopped the run, and take the box away so that the
        # checks after this one see the window, not the box.
        error += "; " + repr(rig.ui("box", 1000).boxes())
    R.true("run: ends with no message box", run.ok, error)
    R.true("run: the progress bar moves while shown", len(set(shown)) >= 3 and shown == sorted(shown), repr(seen))
    R.true("run: the progress bar is hidden again", seen and seen[-1][0] == 0, repr(seen[-3:]))
    sent = texts(host)[len(before):]
    # The line in the bar's place: the names formatted (the stand-in's
    # transcript: one Font command each) in the paragraphs read (one Copy each).
    formatted, paragraphs = sum(t.startswith("Font ") for t in sent), sent.count("Copy")
    after = rig.ui("get", "SummaryLabel", "get", "ProgressBar")
    R.check("run: its line shows in the bar's place",
            {"SummaryLabel": (1, summary_line(formatted, paragraphs)), "ProgressBar": (0, "")},
            {l[1]: (int(l[5]), l[7] if len(l) > 7 else "") for l in after.rows("control")})
    R.true("run: names formatted with the chosen font", 'Font "%s"' % title["font"] in sent)
    R.true("run: names formatted with the chosen tracking", "Track %d" % title["track"] in sent and "Track -1" not in sent)
    R.check("run: the host knew every command", [],
            [e["text"] for e in host.transcript() if e.get("note", "").startswith("unknown command")])

    screenshot(rig, 1, "page1.png")
    screenshot(rig, 2, "page2.png")

    # A check from the third page: the same reading, no formatting command,
    # and its own line in the bar's place.
    checked = rig.ui("tab", 3, "press", "CheckButton", "watch-progress", 120000, "wait-idle", "no-box", 500,
                     "get", "SummaryLabel")
    after_check = texts(host)[len(before) + len(sent):]
    R.true("check: ends with no message box", checked.ok, checked.error)
    R.check("check: reads as many paragraphs as the run, formats nothing", (paragraphs, 0),
            (after_check.count("Copy"), sum(t.startswith("Font ") for t in after_check)))
    line = [l[7] for l in checked.rows("control") if len(l) > 7]
    R.true("check: its line shows in the bar's place", line and line[0].startswith("Проверено "), repr(line))
    screenshot(rig, 3, "page3.png")

    # Only the selected paragraphs, with only an insertion point in the
    # story: nothing is treated, and the line says why.
    copies = texts(host).count("Copy")
    line = rig.ui("tab", 1, "click", "SelParaRadio", "press", "Button2", "wait-idle", "no-box", 500,
                  "get", "SummaryLabel")
    R.check("run with an insertion point only: nothing read, the line says why",
            (copies, [(1, "Нет выделенных абзацев: выделите текст или выберите «По всему текстовому блоку»")]),
            (texts(host).count("Copy"), [(int(l[5]), l[7]) for l in line.rows("control")]))
    screenshot(rig, 1, "page1-no-selection.png")

    # The host quits: the window goes at the next idle moment.
    rig.seed_registry(OLD_PATH, from_add=0)
    host.process.kill()
    host.process.wait()
    gone = rig.ui("nudge", "wait-gone")
    R.true("host quits: the window goes", gone.ok, gone.error)
    R.check("host quits: the program ends", 0, wait_exit(p, 20))
    R.check("host quits: AppPath written", ("REG_SZ", winpath(rolemark).lower()), app_path(rig.registry()))


def scenario_close_during_run(rig):
    """Closing the window while a run is in progress: the run goes on to its
    end, then the window goes and the program ends."""
    rig.seed_registry(OLD_PATH, from_add=1)
    host = start_host(rig, *SLOW_CURSOR)
    p = rig.spawn(rig.program("rolemark.exe"))
    closed = rig.ui("wait-idle", "add-name", "Анна", "click", "EntireTextRadio", "press", "Button2",
                    "close", "watch-progress", 120000, "wait-gone")
    seen = closed.rows("seen")
    R.true("close during a run: the run goes on, then the window goes", closed.ok and len(seen) > 2,
           closed.error or repr(seen))
    R.check("close during a run: the program ends", 0, wait_exit(p, 20))
    R.check("close during a run: the run ended normally", "SuppressAutosave 0",
            ([t for t in texts(host) if t.startswith("SuppressAutosave")] or [""])[-1])


def scenario_stop_run(rig):
    """Esc during a run: meanwhile the controls that feed an action take no
    input; the run stops after the paragraph in progress with its clean-up,
    and its line says so and how far it got."""
    rig.seed_registry(OLD_PATH, from_add=1)
    host = start_host(rig, ("delay-reply", "GetTextCursor"), ("delay-seconds", "0.1"))
    rig.spawn(rig.program("rolemark.exe"))
    inputs = ["NamesList", "Button3", "TargetStyleCombo", "BoldCheck", "Button2"]
    gets = [word for name in inputs for word in ("get", name)]
    run = rig.ui("wait-idle", "add-name", "Анна", "click", "EntireTextRadio", "press", "Button2", "wait-run",
                 *gets, "esc-key", "wait-idle", "no-box", 500, "get", "SummaryLabel", *gets)
    R.true("stop: the run began and ended", run.ok, run.error)
    rows = [(l[1], int(l[4])) for l in run.rows("control") if l[1] in inputs]
    R.check("stop: the controls are disabled during the run, enabled after it",
            [(n, 0) for n in inputs] + [(n, 1) for n in inputs], rows)
    sent = texts(host)
    formatted, paragraphs = sum(t.startswith("Font ") for t in sent), sent.count("Copy")
    R.check("stop: the line says the run was stopped and how far it got",
            [(1, summary_line(formatted, paragraphs, stopped=True))],
            [(int(l[5]), l[7] if len(l) > 7 else "") for l in run.rows("control") if l[1] == "SummaryLabel"])
    last_copy = len(sent) - 1 - sent[::-1].index("Copy") if "Copy" in sent else len(sent)
    R.check("stop: after the last paragraph the selection and autosave go back",
            ["SetTextCursor", "SuppressAutosave 0"],
            [t.split(" ")[0] if t.startswith("SetTextCursor") else t for t in sent[last_copy:]
             if t.startswith(("SetTextCursor", "SuppressAutosave"))])


def main():
    with Rig() as probe:
        ready = probe.ready(R)
    if ready:
        # A session each: what one leaves running is stopped before the next.
        for scenario in (scenario_first_start, scenario_not_from_plugin, scenario_no_publication,
                         scenario_publication, scenario_close_during_run, scenario_stop_run):
            try:
                with Rig() as rig:
                    scenario(rig)
            except RigError as e:
                R.true("%s completes" % scenario.__name__, False, str(e))
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
