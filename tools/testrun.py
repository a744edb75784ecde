#!/usr/bin/env python3
"""Runs every test of the groups named and prints, per group,
'GROUP: N passed, N failed in S s'.

    python3 tools/testrun.py GROUP...
    tools/with_wine python3 tools/testrun.py wine64 wine32   (the Wine groups)

Groups:
  native  the GoogleTest executables of out/native/tests, and the checks
          marked '# group: native'
  wine64  the GoogleTest executables of out/win64/tests, and the checks marked
          '# group: wine' or '# group: wine64', with ROLEMARK_ARCH=win64
  wine32  the same for the i686 build (out/win32), with ROLEMARK_ARCH=win32;
          a check marked '# group: wine32' runs here only

A check is a script tests/**/check_*.py; it prints its own 'N passed, N failed'
line. A GoogleTest executable counts its cases. A program that dies without a
summary counts as one failure. A check whose head holds '# not emulated' is
left out where its build runs under qemu's emulation, and says so.

Where the i686 build runs under qemu's emulation (rig.wine.emulated), a
failed test of wine32 whose output shows a known symptom of the emulation
gets one more try, whose result counts; any other failure counts at once. The
group's line ends with the number of such tries. Results go to
out/results/GROUP.json.
"""
import glob
import json
import os
import re
import subprocess
import sys
import time

from rig import wine

ROOT, OUT = wine.ROOT, wine.OUT
GROUPS = {"native": None, "wine64": "win64", "wine32": "win32"}


def count(output, code):
    passed = failed = 0
    m = re.search(r"\[  PASSED  \] (\d+) test", output)
    if m:
        passed = int(m.group(1))
    m = re.search(r"\[  FAILED  \] (\d+) test", output)
    if m:
        failed = int(m.group(1))
    plain = re.findall(r"^(?:\w+: )?(\d+) passed, (\d+) failed", output, re.M)
    if not m and not passed and plain:
        passed, failed = int(plain[-1][0]), int(plain[-1][1])
    if code != 0 and failed == 0:
        failed = 1
    if passed == 0 and failed == 0:
        failed = 1
    return passed, failed


def run(name, cmd, env, timeout):
    start = time.time()
    try:
        p = subprocess.run(cmd, env=env, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                           timeout=timeout, stdin=subprocess.DEVNULL)
        output, code = p.stdout.decode("utf-8", "replace"), p.returncode
    except subprocess.TimeoutExpired as e:
        output = (e.stdout or b"").decode("utf-8", "replace") + "\n(timed out after %d s)\n" % timeout
        code = -1
    passed, failed = count(output, code)
    log = os.path.join(OUT, "results", name + ".log")
    with open(log, "w") as f:
        f.write(output)
    status = "ok" if failed == 0 else "FAILED"
    print("  %-40s %4d passed %3d failed  %5.1fs  %s" % (name, passed, failed, time.time() - start, status), flush=True)
    if failed:
        tail = [l for l in output.splitlines()
                if l.startswith(("FAIL", "note")) or "Failure" in l or ("error" in l.lower() and not l.startswith("ok"))][:15]
        for line in tail or output.splitlines()[-15:]:
            print("      " + line)
    return passed, failed, output


def emulation_symptom(group, output):
    """The known symptom of qemu's emulation that `output` shows, when the
    group's build runs emulated here; otherwise None. NOTE: under qemu's
    user-mode emulation of the i686 build, now and then a 32-bit file dialog
    never appears (seen a few times on a loaded machine and once on a quiet
    one), and a test program with a second thread crashed the emulator; never
    on x86_64, nor where 32-bit code runs natively."""
    if not wine.emulated(GROUPS[group] or "native"):
        return None
    return next((s for s in wine.EMULATION_SYMPTOMS if s in output), None)


def checks(group):
    marks = ("native",) if group == "native" else ("wine", group)
    found = []
    for path in sorted(glob.glob(os.path.join(ROOT, "tests", "**", "check_*.py"), recursive=True)):
        with open(path) as f:
            head = f.read(400)
        m = re.search(r"^# group: (\w+)\s*$", head, re.M)
        if not m or m.group(1) not in marks:
            continue
        if re.search(r"^# not emulated\s*$", head, re.M) and wine.emulated(GROUPS[group] or "native"):
            print("  %-40s left out: the build runs under qemu's emulation here" % os.path.relpath(path, ROOT))
            continue
        found.append(path)
    return found


def jobs(group):
    """(log name, command, environment, timeout) of every test of `group`."""
    arch = GROUPS[group]
    if arch is None:
        env = wine.python_env()
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        exes = sorted(p for p in glob.glob(os.path.join(OUT, "native", "tests", "*")) if os.access(p, os.X_OK) and os.path.isfile(p))
        found = [(os.path.basename(e), [e], 600) for e in exes]
        suffix = ""
    else:
        env = wine.environment()
        env["ROLEMARK_ARCH"] = arch
        exes = sorted(glob.glob(os.path.join(OUT, arch, "tests", "*.exe")))
        found = [(os.path.basename(e), [wine.LOADER, e], 300) for e in exes]
        suffix = "." + arch
    found += [(os.path.relpath(c, ROOT), [sys.executable, c], 1200) for c in checks(group)]
    return [(name.replace("/", "_") + suffix, cmd, env, timeout) for name, cmd, timeout in found]


def main():
    groups = sys.argv[1:]
    if not groups or any(g not in GROUPS for g in groups):
        print("usage: testrun.py GROUP... (%s)" % ", ".join(GROUPS), file=sys.stderr)
        return 2
    os.makedirs(os.path.join(OUT, "results"), exist_ok=True)
    status = 0
    for group in groups:
        start = time.time()
        total_p = total_f = retried = 0
        for name, cmd, env, timeout in jobs(group):
            p, f, output = run(name, cmd, env, timeout)
            symptom = emulation_symptom(group, output) if f else None
            if symptom:
                print("      (a second try: qemu's emulation showed \"%s\")" % symptom, flush=True)
                retried += 1
                p, f, _ = run(name + ".retry", cmd, env, timeout)
            total_p += p
            total_f += f
        seconds = time.time() - start
        with open(os.path.join(OUT, "results", group + ".json"), "w") as f:
            json.dump({"passed": total_p, "failed": total_f, "retried": retried, "seconds": round(seconds)}, f)
        print("%s: %d passed, %d failed in %d s, %d retried" % (group, total_p, total_f, seconds, retried), flush=True)
        status = status or (1 if total_f else 0)
    return status


if __name__ == "__main__":
    sys.exit(main())
