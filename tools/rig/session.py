"""The end-to-end rig: the real Windows programs under Wine, started and
worked the way a user meets them.

pmstandin.exe plays the host; plughost.exe loads the plug-in rmaddin.add as
the host does and calls its `main`, which starts rolemark.exe from the path in
the registry; uidriver.exe works the Rolemark window from outside; pmcmd.exe
asks the host questions on a conversation of its own. The rig knows where
these live, starts them, waits for them (every wait bounded) and stops
everything it started, whatever happened.

Every program of a session comes from one build, ROLEMARK_ARCH (win64 or
win32; see rig.wine, which also gives the Wine environment); DISPLAY is
Xvfb or a real screen. The caller picks the locale, which gives the Windows
code page and decimal separator.

    with Rig("ru_RU.UTF-8") as rig:
        host = rig.start_host(faults=[("states", "7,1")])
        rig.seed_registry()
        rig.start_rolemark()
        rig.ui("add-name", "Анна", "press", "Button2", "box")
        story = host.dump()

Things to know when building on it:
- host.dump(), host.query() and host.execute() use pmcmd, which opens a
  conversation of its own: each shows in the transcript (a "connect" event and
  the exchange) and counts among the host's commands or queries. Start-up
  probes the host with a bare connect only, which counts as no exchange.
- Texts given to pmcmd must be ASCII or in the session's code page; uidriver
  takes any text (its commands travel as a UTF-8 file).
- Program output goes to files in the session folder, never to pipes: Wine's
  helper processes inherit pipes and would hold them open.
- One rig per Wine prefix at a time: the clean-up ends every program of this
  build that runs in the prefix. ROLEMARK_KEEP=1 keeps the session folder.
"""
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time

from rig import wine

ROOT = wine.ROOT
KEY = r"HKCU\Software\Kestrova\Rolemark"
HOST_TITLE = "Adobe PageMaker 6.5 - ["
SAMPLE_PLAY = os.path.join(ROOT, "standin", "sample", "play.json")
SAMPLE_CAST = os.path.join(ROOT, "standin", "sample", "words.txt")


class Results:
    """The tally of a check script: one line per check ("ok" or "FAIL" with
    what was expected and what came), and the closing counts."""

    def __init__(self):
        self.passed = self.failed = 0

    def check(self, what, expected, got):
        return self.true(what, expected == got, "expected %r, got %r" % (expected, got))

    def true(self, what, condition, detail=""):
        if condition:
            self.passed += 1
            print("ok    %s" % what, flush=True)
        else:
            self.failed += 1
            print("FAIL  %s%s" % (what, ": " + detail if detail else ""), flush=True)
        return bool(condition)


class RigError(Exception):
    """A program of the rig failed, or a wait ran out."""


def winpath(path):
    """The Windows name of a local path (drive Z: is the root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def deadline_loop(seconds, pause=0.1):
    """Yields until `seconds` have passed, sleeping `pause` between turns."""
    end = time.monotonic() + seconds
    while True:
        yield
        if time.monotonic() >= end:
            return
        time.sleep(pause)


def wait_exit(process, timeout):
    """The exit code of a program started by Rig.spawn once it ends; None
    when it still runs after `timeout` seconds."""
    try:
        return process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        return None


def unescape(field):
    """A field of uidriver's output with its escapes (\\t \\n \\r \\\\) undone."""
    out, i = [], 0
    while i < len(field):
        if field[i] == "\\" and i + 1 < len(field):
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}.get(field[i + 1], field[i + 1]))
            i += 2
        else:
            out.append(field[i])
            i += 1
    return "".join(out)


class UiResult:
    """What one uidriver call printed: `ok`, `lines` (lists of fields) and
    the driver's `error` ("" when none)."""

    def __init__(self, ok, lines, error):
        self.ok, self.lines, self.error = ok, lines, error

    def rows(self, kind, name=None):
        return [l for l in self.lines if l[0] == kind and (name is None or (len(l) > 1 and l[1] == name))]

    def boxes(self):
        """Each message box seen: (caption, icon, text)."""
        return [(l[1], l[2], l[3] if len(l) > 3 else "") for l in self.rows("box")]

    def text(self, name):
        """The last text printed for the control `name`."""
        rows = self.rows("control", name)
        return rows[-1][7] if rows and len(rows[-1]) > 7 else None

    def checked(self, name):
        rows = self.rows("checked", name)
        return int(rows[-1][2]) if rows else None

    def items(self, name):
        """The entries of the last list printed for `name` and its selected index."""
        lists = [i for i, l in enumerate(self.lines) if l[0] == "list" and l[1] == name]
        if not lists:
            return None, None
        start = lists[-1]
        count, selected = int(self.lines[start][2]), int(self.lines[start][3])
        items = [l[3] if len(l) > 3 else "" for l in self.lines[start + 1:start + 1 + count]]
        return items, selected

    def control(self, name):
        """The last description printed for the control `name`: a dict of
        class, style, enabled, visible, rect (x, y, w, h in its parent) and
        text; None when there is none."""
        rows = self.rows("control", name)
        if not rows:
            return None
        f = rows[-1]
        return {"class": f[2], "style": int(f[3], 16), "enabled": int(f[4]), "visible": int(f[5]),
                "rect": tuple(int(v) for v in f[6].split(",")), "text": f[7] if len(f) > 7 else ""}

    def form(self):
        """The last description printed for the Rolemark window: a dict of
        class, caption, client (w, h), style and origin (the client area's
        place on the screen); None when there is none."""
        rows = self.rows("form")
        if not rows:
            return None
        f = rows[-1]
        return {"class": f[1], "caption": f[2], "client": (int(f[3]), int(f[4])), "style": int(f[5], 16),
                "origin": tuple(int(v) for v in f[7].split(","))}

    def form_box(self):
        """The Rolemark window's client area on the screen: (x, y, w, h).
        (Without a window manager, as in Xvfb, nothing draws the frame.)"""
        form = self.form()
        return form and form["origin"] + form["client"]

    def __repr__(self):
        return "UiResult(ok=%r, error=%r, %d lines)" % (self.ok, self.error, len(self.lines))


class Host:
    """One running stand-in with its transcript and dump files."""

    def __init__(self, rig, process, folder):
        self.rig, self.process = rig, process
        self.transcript_path = os.path.join(folder, "transcript.jsonl")
        self.dump_path = os.path.join(folder, "story.json")
        self.html_path = os.path.join(folder, "story.html")
        self.log_path = os.path.join(folder, "pmstandin.log")

    def alive(self):
        return self.process.poll() is None

    def transcript(self):
        """Every entry so far (dicts: t, kind, text, ok, reply, note). The
        file is written line by line; a line being written is left out."""
        entries = []
        try:
            with open(self.transcript_path, encoding="utf-8", errors="replace") as f:
                for line in f:
                    if line.endswith("\n"):
                        entries.append(json.loads(line))
        except OSError:
            pass
        return entries

    def mark(self):
        """A place in the transcript, for since()."""
        return len(self.transcript())

    def since(self, mark):
        return self.transcript()[mark:]

    def wait_quiet(self, quiet=1.5, timeout=60):
        """Returns once the transcript has not grown for `quiet` seconds (or
        after `timeout`): what a program started on its own, such as its
        first fill, is over."""
        last, since = -1, time.monotonic()
        for _ in deadline_loop(timeout, 0.2):
            count = len(self.transcript())
            if count != last:
                last, since = count, time.monotonic()
            elif time.monotonic() - since >= quiet:
                return

    def query(self, text, timeout=30):
        """The host's reply to the query `text`, decoded from its code page."""
        code, out = self.rig.pmcmd("query", text, timeout=timeout)
        if code != 0:
            raise RigError("query %r failed: %s" % (text, out.strip()))
        return out.rstrip("\r\n")

    def execute(self, text, timeout=30):
        code, out = self.rig.pmcmd("exec", text, timeout=timeout)
        if code != 0:
            raise RigError("command %r failed: %s" % (text, out.strip()))

    def dump(self):
        """The publication as the host holds it now (the dump's JSON)."""
        if self.query("StandinDump") != "1":
            raise RigError("the host could not write its dump")
        return self.load_dump()

    def load_dump(self):
        with open(self.dump_path, encoding="utf-8") as f:
            return json.load(f)

    def stop(self):
        """Has the host write its dumps one last time, then ends it. (A
        "Quit" would cost Wine 4 s: 2 in pmcmd's goodbye, 2 in the exit.)"""
        if not self.alive():
            return
        try:
            self.query("StandinDump", timeout=10)
        except RigError:
            pass
        self.process.kill()
        self.process.wait()


class Rig:
    """One Wine session in a folder of its own (`work`). Use it as a context
    manager, or call close() in a finally block."""

    def __init__(self, lang="ru_RU.UTF-8", work=None, arch=None):
        self.arch = arch or wine.arch()
        self.bin = wine.bin_dir(self.arch)
        self.wine_program = wine.LOADER
        self.lang = lang
        # The host's texts (pmcmd output, name files) are in this code page.
        self.codepage = "cp1251" if lang.startswith("ru") else "cp1252"
        self.env = wine.environment(lang)
        self.prefix = self.env["WINEPREFIX"]
        self.own_work = work is None
        self.work = work or tempfile.mkdtemp(prefix="rolemark-e2e-")
        os.makedirs(self.work, exist_ok=True)
        self.hosts = []
        self.processes = []
        self.calls = 0

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    # --- programs

    def program(self, name):
        return os.path.join(self.bin, name)

    def missing_programs(self, *extra):
        """The rig's programs, and the `extra` ones a script needs, that are
        not built."""
        names = ("rolemark.exe", "pmstandin.exe", "plughost.exe", "rmaddin.add", "uidriver.exe", "pmcmd.exe") + extra
        return [n for n in names if not os.path.exists(self.program(n))]

    def ready(self, results, *extra):
        """Whether a check script can run its sessions: its programs built and
        an X display there. What is not is reported to `results` as a failure."""
        missing = self.missing_programs(*extra)
        if missing:
            return results.check("programs built in %s" % self.bin, [], missing)
        if not os.environ.get("DISPLAY"):
            return results.true("an X display (run under xvfb-run)", False, "no DISPLAY")
        return True

    def _output_file(self, stem):
        self.calls += 1
        return os.path.join(self.work, "%s.%d.out" % (stem, self.calls))

    def wine(self, *args, timeout=60, stem="wine", encoding=None):
        """Runs a Windows program to its end: (exit code, output text, read
        in `encoding`, by default the session's code page). A program still
        running after `timeout` seconds is killed (code -9)."""
        path = self._output_file(stem)
        with open(path, "wb") as output:
            p = subprocess.Popen([self.wine_program] + [str(a) for a in args], env=self.env, stdout=output,
                                 stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, cwd=self.work)
            try:
                code = p.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
                code = -9
        with open(path, "rb") as f:
            data = f.read()
        os.remove(path)
        return code, data.decode(encoding or self.codepage, "replace")

    def spawn(self, *args, log=None):
        """Starts a Windows program and leaves it running, its output going
        to `log` (default: a file of the session); stopped by close()."""
        output = open(log or self._output_file("spawn"), "wb")
        p = subprocess.Popen([self.wine_program] + [str(a) for a in args], env=self.env, stdout=output,
                             stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, cwd=self.work)
        output.close()
        self.processes.append(p)
        return p

    def pmcmd(self, *args, timeout=30):
        return self.wine(self.program("pmcmd.exe"), *args, timeout=timeout, stem="pmcmd")

    def ensure_prefix(self, timeout=300):
        """Makes the Wine prefix on first use (about 20 s), or gives one
        made before 32-bit Wine was installed its 32-bit half."""
        try:
            wine.ensure_prefix(self.env, timeout)
        except (RuntimeError, subprocess.SubprocessError) as e:
            raise RigError(str(e))

    # --- the host

    def start_host(self, pub=None, faults=(), timeout=30, name="host", lean=False):
        """Starts pmstandin.exe with `pub` (a publication file; None: the
        built-in sample play) and `faults` ((option, value) pairs without
        "--"), writing its transcript and dumps into a folder of its own;
        returns once its window is up and its service answers a connect."""
        folder = os.path.join(self.work, name)
        os.makedirs(folder, exist_ok=True)
        host = Host(self, None, folder)
        for path in (host.transcript_path, host.dump_path, host.html_path):
            if os.path.exists(path):
                os.remove(path)
        # Strict: a command the stand-in does not know fails the exchange.
        args = [self.program("pmstandin.exe"), "--strict", "--transcript", winpath(host.transcript_path),
                "--dump", winpath(host.dump_path), "--dump-html", winpath(host.html_path)]
        if pub:
            args += ["--pub", winpath(pub)]
        for option, value in faults:
            args += ["--" + option, str(value)]
        if lean:  # no view; the transcript written as each conversation ends
            args.append("--lean")
        host.process = self.spawn(*args, log=host.log_path)
        self.hosts.append(host)
        for _ in deadline_loop(timeout, 0.2):
            if not host.alive():
                with open(host.log_path, "rb") as f:
                    raise RigError("the host ended at once: %s" % f.read().decode("utf-8", "replace").strip())
            # A bare connect: the window is up and the service registered.
            code, _ = self.pmcmd("pump", "0", timeout=timeout)
            if code == 0:
                return host
        raise RigError("the host did not answer within %d s" % timeout)

    # --- the registry and the program

    def seed_registry(self, app_path=None, from_add=0):
        """A fresh key: AppPath (default: rolemark.exe of this build) and
        FromAdd; no LastRun, so the plug-in's next call starts the program."""
        app_path = app_path or winpath(self.program("rolemark.exe"))
        values = [("AppPath", '"%s"' % app_path.replace("\\", "\\\\").replace('"', '\\"'))]
        if from_add is not None:
            values.append(("FromAdd", "dword:%08x" % from_add))
        self.seed_registry_values(values)

    def seed_registry_values(self, values):
        """A fresh key holding exactly `values`: (name, data) pairs, the data
        written as a .reg file writes it ('"text"', 'dword:00000001',
        'hex:01,02', 'hex(4):01,00', ...), so any type and size can be set.
        None: no key at all, as before the first start."""
        reg_file = os.path.join(self.work, "seed.reg")
        lines = ["Windows Registry Editor Version 5.00", "", "[-HKEY_CURRENT_USER\\Software\\Kestrova\\Rolemark]"]
        if values is not None:
            lines += ["", "[HKEY_CURRENT_USER\\Software\\Kestrova\\Rolemark]"]
            lines += ['"%s"=%s' % (name, data) for name, data in values]
        with open(reg_file, "w", encoding="utf-16") as f:
            f.write("\r\n".join(lines) + "\r\n")
        code, out = self.wine("regedit", "/S", winpath(reg_file), timeout=60)
        if code != 0:
            raise RigError("regedit failed: %s" % out.strip())

    def registry(self):
        """The key's values as {name: (type, text as reg.exe shows it)};
        None when the key is missing."""
        # NOTE: asked twice before the key counts as missing: under load a
        # query of a key just written was seen to come back without it once.
        for attempt in range(2):
            code, out = self.wine("reg", "query", KEY, timeout=60)
            if code == 0 and KEY.split("\\", 1)[1] in out:
                break
            print("note  reg query ended with %d: %s" % (code, " ".join(out.split())[:300]), flush=True)
        else:
            return None
        found = {}
        for line in out.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                found[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
        return found

    def start_rolemark(self, timeout=90):
        """Starts the program the way the host does: plughost loads the
        plug-in and calls its `main`, which starts the program from AppPath.
        Returns uidriver's description of the window once it is complete
        and its first fill is over (the hosts quiet).

        NOTE: a click that comes during the first fill can be lost: with the
        i686 build under qemu, a file dialog asked for then never came."""
        code, out = self.wine(self.program("plughost.exe"), winpath(self.program("rmaddin.add")), timeout=timeout,
                              stem="plughost")
        if code != 0 or "returned 0" not in out:
            raise RigError("plughost failed (%d): %s" % (code, out.strip()))
        result = self.ui("form", timeout=timeout)
        if not result.ok:
            raise RigError("the Rolemark window did not appear: %s" % result.error)
        for host in self.hosts:
            if host.alive():
                host.wait_quiet()
        return result

    def ui(self, *commands, timeout=120):
        """Runs uidriver with `commands` (see its usage banner)."""
        script = self._output_file("commands")
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join(str(c) for c in commands) + "\n")
        code, out = self.wine(self.program("uidriver.exe"), "@" + winpath(script), timeout=timeout, stem="ui",
                              encoding="utf-8")
        os.remove(script)
        # NOTE: split at LF only: uidriver ends its lines so, and a text may
        # hold other characters that str.splitlines() takes for line ends.
        lines = [[unescape(f) for f in l.split("\t")] for l in out.split("\n") if l]
        errors = [l[1] for l in lines if l[0] == "error"]
        error = errors[0] if errors else ("" if code == 0 else "uidriver ended with %d" % code)
        if error:
            # Some checks expect a failure; the line is there for the one that did not.
            print("note  uidriver: %s" % error, flush=True)
        return UiResult(code == 0, lines, error)

    # --- screenshots

    def screenshot(self, target, box=None):
        """Saves the screen, or the part `box` = (x, y, w, h) of it, as PNG."""
        full = os.path.join(self.work, "screen.png")
        env = dict(os.environ)
        p = subprocess.run(["import", "-window", "root", full], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
        if p.returncode != 0:
            raise RigError("screenshot failed: %s" % p.stderr.decode("utf-8", "replace").strip())
        if box:
            p = subprocess.run(["convert", full, "-crop", "%dx%d+%d+%d" % tuple(box[2:] + box[:2]), "+repage", target],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
            if p.returncode != 0:
                raise RigError("crop failed: %s" % p.stderr.decode("utf-8", "replace").strip())
        else:
            shutil.copy(full, target)

    def x_window_box(self, title_prefix):
        """(x, y, w, h) of the X window whose name begins with
        `title_prefix` (a Wine top-level window), or None."""
        p = subprocess.run(["xwininfo", "-root", "-tree"], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, timeout=30)
        for line in p.stdout.decode("utf-8", "replace").splitlines():
            line = line.strip()
            if not line.startswith("0x") or '"' not in line:
                continue
            name = line.split('"')[1]
            if name.startswith(title_prefix):
                info = subprocess.run(["xwininfo", "-id", line.split()[0]], stdin=subprocess.DEVNULL,
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)
                fields = {}
                for row in info.stdout.decode("utf-8", "replace").splitlines():
                    if ":" in row:
                        key, value = row.split(":", 1)
                        fields[key.strip()] = value.strip()
                try:
                    return (int(fields["Absolute upper-left X"]), int(fields["Absolute upper-left Y"]),
                            int(fields["Width"]), int(fields["Height"]))
                except (KeyError, ValueError):
                    return None
        return None

    # --- the end

    def stray_processes(self, only=None):
        """Unix ids of Wine processes of this prefix that run a program of
        this build (rolemark.exe, started by the shell, is no child of ours);
        with `only`, those that run that program."""
        found = []
        names = [n.lower() for n in os.listdir(self.bin)] if os.path.isdir(self.bin) else []
        if only:
            names = [only.lower()]
        marker = ("WINEPREFIX=" + self.prefix).encode()
        for pid in os.listdir("/proc"):
            if not pid.isdigit() or int(pid) == os.getpid():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if marker not in f.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    command = f.read().decode("utf-8", "replace").lower()
            except OSError:
                continue
            if any(name.endswith((".exe", ".add")) and name in command for name in names):
                found.append(int(pid))
        return found

    def close(self):
        """Stops everything started here: the Rolemark window is asked to
        close and the hosts to quit (both take Wine about 2 s, so they go
        together), then whatever is left is killed."""
        try:
            if self.stray_processes("rolemark.exe"):
                self.ui("close", timeout=20)
        except Exception:
            pass
        for host in self.hosts:
            try:
                host.stop()
            except Exception:
                pass
        for p in self.processes:
            if p.poll() is None:
                p.kill()
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        for _ in deadline_loop(5):
            if not self.stray_processes():
                break
        for pid in self.stray_processes():
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        if self.own_work and not os.environ.get("ROLEMARK_KEEP"):
            shutil.rmtree(self.work, ignore_errors=True)
