#!/usr/bin/env python3
# group: wine
"""The host stand-in program under Wine: its command line, its window, and,
when the build has pmcmd, a scripted walk over DDE (select, copy, read
the clipboard back), formatting seen in the dump, and faults as the link
meets them. Prints 'N passed, N failed'.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

from rig import Results, wait_exit, wine, winpath

WINE = wine.LOADER
BIN = wine.bin_dir()
STANDIN = os.path.join(BIN, "pmstandin.exe")
PMCMD = os.path.join(BIN, "pmcmd.exe")
TITLE = "Adobe PageMaker 6.5 - [Дачный вечер]"

ENV = wine.environment("ru_RU.UTF-8")

R = Results()
check = R.true


def run(args, timeout=60, messages="utf-8"):
    """Exit code, standard output (host texts, code page 1251) and standard
    error (pmstandin writes UTF-8, pmcmd the code page)."""
    p = subprocess.run([WINE] + args, env=ENV, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout,
                       stdin=subprocess.DEVNULL)
    return p.returncode, p.stdout.decode("cp1251", "replace"), p.stderr.decode(messages, "replace")


def pmcmd(*words, timeout=60):
    args = [PMCMD]
    for kind, text in words:
        args += [kind, text] if text is not None else [kind]
    return run(args, timeout, messages="cp1251")


def window_titles():
    env = dict(os.environ, LC_ALL="C.UTF-8")
    p = subprocess.run(["xwininfo", "-root", "-tree"], env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return p.stdout.decode("utf-8", "replace")


class Standin:
    """pmstandin in a temporary folder, with its transcript and dumps there."""

    def __init__(self, *options):
        self.dir = tempfile.mkdtemp(prefix="standin_check_")
        self.transcript = os.path.join(self.dir, "t.jsonl")
        self.dump = os.path.join(self.dir, "d.json")
        self.html = os.path.join(self.dir, "d.html")
        args = [WINE, STANDIN, "--transcript", winpath(self.transcript), "--dump", winpath(self.dump),
                "--dump-html", winpath(self.html)] + list(options)
        self.process = subprocess.Popen(args, env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                        stdin=subprocess.DEVNULL)

    def wait_for_window(self, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if TITLE in window_titles():
                return True
            if self.process.poll() is not None:
                return False
            time.sleep(0.5)
        return False

    def wait_for_service(self, timeout=30):
        end = time.time() + timeout
        while time.time() < end:
            if pmcmd(("state", None))[0] == 0:
                return True
            time.sleep(0.5)
        return False

    def transcript_lines(self):
        with open(self.transcript, encoding="utf-8") as f:
            return [json.loads(line) for line in f]

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def command_line_cases():
    code, out, err = run([STANDIN, "--help"])
    check("--help lists the fault options", code == 0 and "--stall-paragraph K" in err, "exit %d, %r" % (code, err[:200]))
    code, out, err = run([STANDIN, "--busy", "often"])
    check("a bad fault value ends with exit code 2 and names the option",
          code == 2 and 'fault option busy: expected N, got "often"' in err, "exit %d, %r" % (code, err))
    folder = tempfile.mkdtemp(prefix="standin_check_")
    try:
        bad = os.path.join(folder, "bad.json")
        with open(bad, "w", encoding="utf-8") as f:
            json.dump({"styles": [{"name": "S"}], "paragraphs": [{"style": "T", "text": "a"}]}, f)
        code, out, err = run([STANDIN, "--pub", winpath(bad)])
        check("a broken publication ends with exit code 1 and names the place",
              code == 1 and 'paragraphs[0].style: no style "T"' in err, "exit %d, %r" % (code, err))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def window_case():
    standin = Standin()
    try:
        check("the window carries the host's title", standin.wait_for_window(), "no window titled %r" % TITLE)
    finally:
        standin.close()


def walk_cases():
    standin = Standin("--strict")
    try:
        if not standin.wait_for_service():
            check("the DDE service answers", False, "no answer within 30 s")
            return
        # Commands go out without waiting for the answer: the refusal shows
        # in the transcript, read at the end.
        pmcmd(("exec", "SelectAll"))
        code, out, err = pmcmd(("exec", "TextCursor 11 1"), ("exec", "TextSelect 0 5"), ("exec", "Copy"),
                               ("query", "StandinClipboard"), ("exec", "TextSelect 1 5"), ("query", "GetTextCursor"),
                               ("state", None))
        check("select 5, copy, read the clipboard, take the selection back",
              code == 0 and out.splitlines() == ["Дачны", "1,0,0", "7"], "exit %d, %r %r" % (code, out, err))

        # The fourth paragraph opens with "Анна Павловна" (13 characters).
        code, out, err = pmcmd(*([("exec", "TextCursor 6 1")] * 3), ("exec", "TextSelect 0 13"),
                               ("exec", 'Font "Courier New Cyr"'), ("exec", "Size 10.50"), ("exec", "TypeStyle 0"),
                               ("exec", "TypeStyle 1"), ("exec", "TypeOptions -2.00 -2.00 -2.00 -2.00 1.50 1"),
                               ("exec", "TextSelect 1 13"), ("query", "StandinDump"))
        ok = code == 0 and out.splitlines() == ["1"]
        detail = "exit %d, %r %r" % (code, out, err)
        if ok:
            with open(standin.dump, encoding="utf-8") as f:
                runs = json.load(f)["paragraphs"][3]["runs"]
            name, rest = runs[0], runs[1]
            ok = (name["from"], name["to"], name["font"], name["size"], name["type_style"], name["shift"]) == \
                 (0, 13, "Courier New Cyr", 10.5, ["bold"], -1.5) and rest["font"] == "Times New Roman Cyr"
            detail = json.dumps(runs[:2], ensure_ascii=False)
        check("the dump shows the name's new formatting and only there", ok, detail)

        code, out, err = pmcmd(("styles", None), ("fonts", None))
        check("style and font lists read through the link",
              code == 0 and out.splitlines()[:5] == ["Реплика", "Ремарка", "Заголовок", "Действующие лица", "Примечание"]
              and "Baltica" in out.splitlines(), "exit %d, %r" % (code, out))

        code, out, err = pmcmd(("exec", "Quit"))
        ended = wait_exit(standin.process, 30)
        check("Quit ends the program, which writes its dumps", code == 0 and ended == 0 and os.path.getsize(standin.html) > 0,
              "pmcmd %d, pmstandin %r" % (code, ended))
        lines = standin.transcript_lines()
        asked = [l["text"] for l in lines if l["kind"] == "query"]
        check("the transcript holds the queries in order with their replies",
              asked[-4:] == ["GetPMState", "StandinDump", "GetStyleNames", "GetFontList"]
              and any(l["kind"] == "query" and l.get("reply") == "Дачны" for l in lines), repr(asked[-6:]))
        unknown = [l for l in lines if l["text"] == "SelectAll"]
        check("--strict: a command the stand-in does not know is refused",
              len(unknown) == 1 and not unknown[0]["ok"] and unknown[0].get("note") == "unknown command, refused (strict)",
              repr(unknown))
    finally:
        standin.close()


def fault_cases():
    standin = Standin("--empty-reply", "GetSize", "--quit-after", "4")
    try:
        if not standin.wait_for_service():  # the state question is exchange 1
            check("the DDE service answers", False, "no answer within 30 s")
            return
        code, out, err = pmcmd(("query", "GetSize"))
        check("an empty reply fails the query with the link's message",
              code == 1 and "Не могу получить данные от PageMaker - GetSize" in out + err, "exit %d, %r %r" % (code, out, err))
        code, out, err = pmcmd(("exec", "TextCursor 10 1"), ("exec", "TextCursor 11 1"))
        ended = wait_exit(standin.process, 30)
        check("the host quits by itself after the fourth exchange and writes its dump",
              ended == 0 and os.path.exists(standin.dump) and standin.transcript_lines()[-1]["text"] == "quit",
              "pmstandin %r" % ended)
    finally:
        standin.close()

    standin = Standin("--delay-reply", "GetTextCursor", "--delay-seconds", "11")
    try:
        if standin.wait_for_service():
            start = time.time()
            code, out, err = pmcmd(("query", "GetTextCursor"), timeout=90)
            spent = time.time() - start
            check("a reply delayed past 10 s fails the query",
                  code == 1 and "Не могу получить данные от PageMaker - GetTextCursor" in out + err and spent >= 9.5,
                  "exit %d after %.1f s, %r %r" % (code, spent, out, err))
        else:
            check("the DDE service answers", False, "no answer within 30 s")
    finally:
        standin.close()


def main():
    if not os.path.exists(STANDIN):
        check("pmstandin.exe is built", False, STANDIN + " is missing")
    else:
        command_line_cases()
        if shutil.which("xwininfo"):
            window_case()
        else:
            check("xwininfo (x11-utils) is installed", False, "needed to see the window's title")
        if os.path.exists(PMCMD):
            walk_cases()
            fault_cases()
        else:
            print("skip - pmcmd.exe is not built: no DDE cases", flush=True)
    print("%d passed, %d failed" % (R.passed, R.failed))
    return 1 if R.failed else 0


if __name__ == "__main__":
    sys.exit(main())
