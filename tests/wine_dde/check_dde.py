#!/usr/bin/env python3
# group: wine
"""The DDE link end to end under Wine: pmcmd (TPmDDE on the real DDEML
conversation) against scripted_server in a second process, which writes down
every command and query it receives, in order.

Covers: one conversation carrying commands and queries in order; the busy
wait; the "try " prefix; a command the host refuses still counting as
delivered; the waiting mark; refused and empty replies; a conversation the
host ends; the font and style lists; no host at all, with and without a
program to start, and a program that is started; the exact message bytes in
the Russian code page; long runs against both kinds of server.
Prints 'N passed, N failed'.
"""
import os
import subprocess
import sys
import tempfile
import time

from rig import Results, wine, winpath

BIN = wine.bin_dir()
WINE = wine.LOADER
ENV = wine.environment("ru_RU.UTF-8")

NOT_FOUND = "Не могу установить связь с PageMaker"
CANT_COMMAND = "Не могу выполнить команду PageMaker - "
CANT_QUERY = "Не могу получить данные от PageMaker - "

R = Results()
work = tempfile.mkdtemp(prefix="check_dde.")


def ansi(text):
    return text.encode("cp1251")


def pmcmd(*args, timeout=120):
    """Runs pmcmd; returns (exit code, stdout bytes, stderr bytes, seconds).
    Output goes through files: a host that pmcmd started keeps a pipe open."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        start = time.time()
        code = subprocess.call([WINE, os.path.join(BIN, "pmcmd.exe")] + list(args), stdout=out, stderr=err,
                               stdin=subprocess.DEVNULL, env=ENV, timeout=timeout)
        seconds = time.time() - start
        out.seek(0)
        err.seek(0)
        return code, out.read(), err.read(), seconds


class Server:
    """scripted_server with `options`, started and ready, ended on exit."""
    count = 0

    def __init__(self, *options):
        Server.count += 1
        base = os.path.join(work, "server%d" % Server.count)
        self.ready, self.transcript_path = base + ".ready", base + ".transcript"
        self.options = list(options) + ["--ready", winpath(self.ready), "--transcript", winpath(self.transcript_path),
                                        "--lifetime", "600"]

    def __enter__(self):
        self.process = subprocess.Popen([WINE, os.path.join(BIN, "scripted_server.exe")] + self.options, env=ENV,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(self.ready), 60, "the scripted server to offer its service")
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            pmcmd("exec", "ScriptQuit")
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()

    def transcript(self):
        """The lines received so far, without the quit command of __exit__."""
        with open(self.transcript_path, "rb") as f:
            return [line.decode("cp1251") for line in f.read().split(b"\n") if line]


def wait_for(condition, seconds, what):
    deadline = time.time() + seconds
    while not condition():
        if time.time() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


def expect(what, expected, got):
    if expected != got:
        raise AssertionError("%s: expected %r, got %r" % (what, expected, got))


def case(function):
    try:
        function()
        R.true(function.__name__, True)
    except Exception as e:  # one case's failure must not stop the others
        R.true(function.__name__, False, str(e))
    return function


# One conversation, commands and queries in order.

@case
def walk_in_one_conversation_arrives_in_order():
    with Server() as server:
        code, out, _, _ = pmcmd("exec", "TextCursor 11 1", "exec", "TextSelect 0 5", "exec", "Copy",
                                "query", "GetTextCursor", "query", "GetPMState")
        expect("exit code", 0, code)
        expect("replies", b"3,0,0\n7\n", out)
        expect("transcript", ["connect", "command TextCursor 11 1", "command TextSelect 0 5", "command Copy",
                              "query GetTextCursor", "query GetPMState"], server.transcript())


@case
def each_run_opens_its_own_conversation():
    with Server() as server:
        expect("first run", 0, pmcmd("exec", "Copy")[0])
        expect("second run", 0, pmcmd("query", "GetPMState")[0])
        expect("transcript", ["connect", "command Copy", "connect", "query GetPMState"], server.transcript())


@case
def busy_host_is_asked_until_ready_then_command_goes_once():
    with Server("--states", "9,9,9,7") as server:
        code, _, err, _ = pmcmd("--long-operation", "exec", "SelectAll")
        expect("exit code", 0, code)
        expect("busy passes", 3, err.count(b"busy\n"))
        expect("transcript", ["connect"] + ["query GetPMState"] * 4 + ["command SelectAll"], server.transcript())


@case
def try_prefix_goes_on_commands_not_queries():
    with Server() as server:
        expect("exit code", 0, pmcmd("--try65", "exec", "SelectAll", "query", "GetPMState")[0])
        expect("transcript", ["connect", "command try SelectAll", "query GetPMState"], server.transcript())


# Failures and their messages.

@case
def refused_command_ends_the_work_at_the_next_query():
    # The refusal is known before the next query or, when the server's answer
    # to the command is still on its way, once that query's reply has come.
    with Server("--refuse-commands") as server:
        code, out, _, _ = pmcmd("exec", "Copy", "query", "GetPMState")
        expect("exit code", 1, code)
        expect("message", ansi("PageMaker не выполнил команду «Copy»") + b"\n", out)
        expect("transcript", ["connect", "command Copy"], server.transcript()[:2])


@case
def waiting_link_refuses_the_next_command_with_its_message():
    with Server() as server:
        code, out, _, _ = pmcmd("--wait-exec", "exec", "Copy", "exec", "Paste")
        expect("exit code", 1, code)
        expect("message", ansi(CANT_COMMAND + "Paste") + b"\n", out)
        expect("transcript", ["connect", "command Copy"], server.transcript())


@case
def waiting_mark_clears_when_the_command_completes():
    with Server() as server:
        expect("exit code", 0, pmcmd("--wait-exec", "exec", "Copy", "pump", "1000", "exec", "Paste")[0])
        expect("transcript", ["connect", "command Copy", "command Paste"], server.transcript())


@case
def empty_reply_fails_the_query_with_its_message():
    with Server("--empty-replies") as server:
        code, out, _, _ = pmcmd("query", "GetStyle")
        expect("exit code", 1, code)
        expect("message", ansi(CANT_QUERY + "GetStyle") + b"\n", out)
        expect("transcript", ["connect", "query GetStyle"], server.transcript())


@case
def refused_query_fails_with_its_message_and_link_goes_on():
    with Server("--refuse-queries") as server:
        code, out, _, _ = pmcmd("exec", "Copy", "query", "GetFont")
        expect("exit code", 1, code)
        expect("message", ansi(CANT_QUERY + "GetFont") + b"\n", out)
        expect("transcript", ["connect", "command Copy", "query GetFont"], server.transcript())


@case
def query_after_the_host_ended_the_conversation_fails():
    with Server("--drop-after", "1") as server:
        code, out, _, _ = pmcmd("query", "GetPMState", "query", "GetPMState")
        expect("exit code", 1, code)
        expect("output", b"7\n" + ansi(CANT_QUERY + "GetPMState") + b"\n", out)
        expect("transcript", ["connect", "query GetPMState"], server.transcript())


@case
def command_after_the_host_ended_the_conversation_fails():
    with Server("--drop-after", "1") as server:
        code, out, _, _ = pmcmd("query", "GetPMState", "pump", "1000", "exec", "Copy")
        expect("exit code", 1, code)
        expect("output", b"7\n" + ansi(CANT_COMMAND + "Copy") + b"\n", out)
        expect("transcript", ["connect", "query GetPMState"], server.transcript())


# Lists.

@case
def font_and_style_lists_print_one_per_line():
    fonts = 'GetFontList=3,"Arial",1,0,0,"Times New Roman",2,0,0,"Courier",3,1,1'
    styles = 'GetStyleNames=2,"Body text","Headline"'
    with Server("--reply", fonts, "--reply", styles):
        code, out, _, _ = pmcmd("fonts", "styles")
        expect("exit code", 0, code)
        expect("lines", b"Arial\nTimes New Roman\nCourier\nBody text\nHeadline\n", out)


# No host.

@case
def no_host_gives_not_found_in_the_russian_code_page():
    code, out, _, _ = pmcmd("query", "GetPMState", timeout=60)
    expect("exit code", 1, code)
    expect("message bytes", ansi(NOT_FOUND) + b"\n", out)


@case
def missing_host_program_gives_not_found_without_hanging():
    code, out, _, _ = pmcmd("--service-application", "C:\\pm65\\pm65.exe", "exec", "Copy", timeout=60)
    expect("exit code", 1, code)
    expect("message bytes", ansi(NOT_FOUND) + b"\n", out)


@case
def host_program_is_started_when_nobody_answers():
    ready = os.path.join(work, "started.ready")
    transcript = os.path.join(work, "started.transcript")
    command_line = "%s --ready %s --transcript %s --lifetime 600" % (
        winpath(os.path.join(BIN, "scripted_server.exe")), winpath(ready), winpath(transcript))
    try:
        code, out, _, _ = pmcmd("--service-application", command_line, "query", "GetPMState", timeout=90)
        expect("host started", True, os.path.exists(ready))
        # WinExec waits until the started host first waits for input, so the
        # one immediate retry finds it.
        expect("exit code", 0, code)
        expect("reply", b"7\n", out)
    finally:
        if os.path.exists(ready):
            pmcmd("exec", "ScriptQuit")


# Long runs (not timed; the rates are the benchmark's).

@case
def soak_against_hand_written_server_loses_nothing():
    with Server():
        code, out, _, _ = pmcmd("soak", "3000", timeout=600)
        expect("exit code", 0, code)
        expect("summary", True, b"failures 0, lost 0" in out)


@case
def soak_against_ddeml_server_loses_nothing_and_takes_every_trailing_ack():
    with Server("--ddeml") as server:
        code, out, _, _ = pmcmd("soak", "3000", "stats", timeout=600)
        expect("exit code", 0, code)
        expect("summary", True, b"failures 0, lost 0" in out)
        stats = dict(line.rsplit(" ", 1) for line in out.decode().splitlines() if ":" not in line)
        expect("server adds ack", "1", stats.get("server adds ack"))
        expect("trailing acks", stats.get("requests"), stats.get("trailing acks"))
        expect("released reply blocks", stats.get("requests"), stats.get("released reply blocks"))
        expect("stale-ack resends", "0", stats.get("stale-ack resends"))
        expect("queries received", int(stats["requests"]), sum(1 for line in server.transcript() if line.startswith("query ")))


@case
def ddeml_server_walk_arrives_in_order():
    with Server("--ddeml") as server:
        code, out, _, _ = pmcmd("exec", "TextCursor 11 1", "query", "GetTextCursor", "exec", "Copy", "query", "GetPMState")
        expect("exit code", 0, code)
        expect("replies", b"1,0,0\n7\n", out)
        expect("transcript", ["connect", "command TextCursor 11 1", "query GetTextCursor", "command Copy",
                              "query GetPMState"], server.transcript())


print("%d passed, %d failed" % (R.passed, R.failed))
sys.exit(1 if R.failed else 0)
