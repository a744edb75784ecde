#!/usr/bin/env python3
"""Runs every test of one group and prints 'GROUP: N passed, N failed'.

Groups:
  native  the GoogleTest executables of out/native/tests, and the checks
          marked '# group: native'
  wine    the GoogleTest executables of out/win64/tests (run with wine64), and
          the checks marked '# group: wine'

A check is a script tests/**/check_*.py; it prints its own 'N passed, N failed'
line. A GoogleTest executable counts its cases. A program that dies without a
summary counts as one failure. Results go to out/results/GROUP.json.
"""
import glob, json, os, re, subprocess, sys, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "out")
WINE = "/usr/lib/wine/wine64"


def wine_env():
    env = dict(os.environ)
    env.setdefault("WINEPREFIX", os.path.join(OUT, "wineprefix"))
    env["WINEDEBUG"] = env.get("WINEDEBUG", "-all")
    env.setdefault("LANG", "ru_RU.UTF-8")
    # NOTE: Wine takes its code page from LC_ALL/LC_CTYPE before LANG.
    env["LC_ALL"] = env["LANG"]
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


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
        tail = [l for l in output.splitlines() if "FAILED" in l or "Failure" in l or "error" in l.lower()][:15]
        for line in tail or output.splitlines()[-15:]:
            print("      " + line)
    return passed, failed


def checks(group):
    found = []
    for path in sorted(glob.glob(os.path.join(ROOT, "tests", "**", "check_*.py"), recursive=True)):
        with open(path) as f:
            head = f.read(400)
        if re.search(r"^# group: %s\b" % group, head, re.M):
            found.append(path)
    return found


def main():
    group = sys.argv[1]
    os.makedirs(os.path.join(OUT, "results"), exist_ok=True)
    total_p = total_f = 0
    if group == "native":
        env = dict(os.environ)
        env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
        exes = sorted(p for p in glob.glob(os.path.join(OUT, "native", "tests", "*")) if os.access(p, os.X_OK) and os.path.isfile(p))
        jobs = [(os.path.basename(e), [e], 600) for e in exes]
    else:
        env = wine_env()
        exes = sorted(glob.glob(os.path.join(OUT, "win64", "tests", "*.exe")))
        jobs = [(os.path.basename(e), [WINE, e], 600) for e in exes]
    env["ROLEMARK_ROOT"] = ROOT
    env["ROLEMARK_OUT"] = OUT
    env["ROLEMARK_WINE"] = WINE
    for c in checks(group):
        jobs.append((os.path.relpath(c, ROOT), [sys.executable, c], 1200))
    for name, cmd, timeout in jobs:
        p, f = run(name.replace("/", "_"), cmd, env, timeout)
        total_p += p
        total_f += f
    with open(os.path.join(OUT, "results", group + ".json"), "w") as f:
        json.dump({"passed": total_p, "failed": total_f}, f)
    print("%s: %d passed, %d failed" % (group, total_p, total_f), flush=True)
    return 1 if total_f else 0


if __name__ == "__main__":
    sys.exit(main())
