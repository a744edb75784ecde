#!/usr/bin/env python3
# group: wine
"""The plug-in under Wine, loaded and called by plughost as the host would:
starts within two seconds start the program once; FromAdd is 1 when the
program starts and LastRun holds the end of the launch; a LastRun in the
future does not block; a path longer than 128 bytes starts; without the key
nothing is started or created. The started program is start_recorder, which
notes each start and the FromAdd it saw. Prints 'N passed, N failed'."""
import datetime
import os
import re
import shutil
import struct
import sys
import time

from rig import KEY, Results, Rig, winpath

R = Results()
check = R.true


def days_now():
    """Local now as days since 1899-12-30 (Wine's local time is the host's)."""
    now = datetime.datetime.now()
    return (now - datetime.datetime(1899, 12, 30)).total_seconds() / 86400.0


def date_time_bytes(days):
    return struct.pack("<d", days).hex()


class Session:
    """The rig, with start_recorder noting each start in a log of its own."""

    def __init__(self, rig):
        self.rig = rig
        self.log = os.path.join(rig.work, "starts.log")
        rig.env["ROLEMARK_START_LOG"] = winpath(self.log)

    def starts(self):
        try:
            with open(self.log) as f:
                return f.read().splitlines()
        except OSError:
            return []

    def plughost(self, *args):
        return self.rig.wine(self.rig.program("plughost.exe"), winpath(self.rig.program("rmaddin.add")), *args)

    def values(self):
        return self.rig.registry()

    def reset_key(self, app_path):
        """A fresh key holding only AppPath (None: no key at all)."""
        if app_path is None:
            self.rig.seed_registry_values(None)
        else:
            self.rig.seed_registry(app_path=app_path, from_add=None)

    def wait_starts(self, count, settle=1.5, limit=15):
        """The start lines once `count` have come (or the limit has passed),
        after a pause in which any extra start would have shown."""
        end = time.time() + limit
        while time.time() < end and len(self.starts()) < count:
            time.sleep(0.1)
        time.sleep(settle)
        return self.starts()


def main():
    with Rig() as rig:
        missing = rig.missing_programs("start_recorder.exe")
        if missing:
            return R.check("programs built in %s" % rig.bin, [], missing)
        try:
            run_cases(Session(rig))
        finally:
            rig.seed_registry_values(None)


def run_cases(s):
    rig, work = s.rig, s.rig.work
    recorder = winpath(rig.program("start_recorder.exe"))

    # plughost's own failures.
    code, out = rig.wine(rig.program("plughost.exe"), winpath(os.path.join(work, "none.add")))
    check("plughost: a missing plug-in exits with 3", code == 3, "got %d: %s" % (code, out.strip()))
    code, out = rig.wine(rig.program("plughost.exe"), r"C:\windows\system32\version.dll")
    check("plughost: a DLL without main exits with 4", code == 4, "got %d: %s" % (code, out.strip()))

    # No key: nothing started, the key not created.
    s.reset_key(None)
    code, out = s.plughost()
    check("no key: main returns 0", code == 0 and "returned 0" in out, out.strip())
    check("no key: nothing started", s.wait_starts(1, settle=0, limit=2) == [], repr(s.starts()))
    check("no key: the key is not created", s.values() is None, repr(s.values()))

    # Two calls 300 ms apart: one start.
    s.reset_key(recorder)
    before = days_now()
    code, out = s.plughost("--times", "2", "--pause", "300")
    after = days_now()
    check("two calls: both return 0", code == 0 and out.count("returned 0") == 2, out.strip())
    lines = s.wait_starts(1)
    check("two calls within 2 s start the program once", lines == ["started FromAdd=1"],
          "expected one start seeing FromAdd=1, got %r" % lines)
    v = s.values() or {}
    check("FromAdd is REG_DWORD 1", v.get("FromAdd") == ("REG_DWORD", "0x1"), repr(v.get("FromAdd")))
    kind, text = v.get("LastRun", ("missing", ""))
    stamp = bytes.fromhex(text) if kind == "REG_BINARY" and re.fullmatch(r"[0-9A-Fa-f]*", text) else b""
    check("LastRun is REG_BINARY of 8 bytes", len(stamp) == 8, "%s %r" % (kind, text))
    if len(stamp) == 8:
        days = struct.unpack("<d", stamp)[0]
        slack = 5 / 86400.0
        check("LastRun is the local time of the launch", before - slack <= days <= after + slack,
              "%.8f not within [%.8f, %.8f]" % (days, before, after))

    # Once two seconds have passed, the next call starts again.
    time.sleep(2.2)
    s.plughost()
    lines = s.wait_starts(2)
    check("a call after 2 s starts again", len(lines) == 2, repr(lines))

    # A LastRun a day ahead (the clock was set back) does not block.
    rig.wine("reg", "add", KEY, "/v", "LastRun", "/t", "REG_BINARY", "/d", date_time_bytes(days_now() + 1), "/f")
    s.plughost()
    lines = s.wait_starts(3)
    check("a LastRun in the future does not block", len(lines) == 3, repr(lines))
    kind, text = (s.values() or {}).get("LastRun", ("missing", ""))
    days = struct.unpack("<d", bytes.fromhex(text))[0] if kind == "REG_BINARY" and len(text) == 16 else 0
    check("a LastRun in the future is replaced by now", abs(days - days_now()) < 30 / 86400.0,
          "%s %r" % (kind, text))

    # A path far longer than 128 bytes starts whole.
    deep = os.path.join(work, "a-folder-whose-name-is-long-enough" * 3, "and-one-more-folder-level-below-it" * 2)
    os.makedirs(deep)
    long_copy = os.path.join(deep, "start_recorder.exe")
    shutil.copy(rig.program("start_recorder.exe"), long_copy)
    s.reset_key(winpath(long_copy))
    s.plughost()
    lines = s.wait_starts(4)
    check("a %d-byte path starts the program" % len(winpath(long_copy)), len(lines) == 4, repr(lines))


main()
print("%d passed, %d failed" % (R.passed, R.failed))
sys.exit(1 if R.failed else 0)
