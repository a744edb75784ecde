"""The one Wine environment: every program of the tree that runs Windows
programs (tools/test, tools/demo, the checks, the benchmarks) takes it from
here.

One 64-bit prefix runs both builds: Wine's 64-bit loader starts a PE32+
program itself and hands a PE32 program to the 32-bit loader, which runs
natively or, on machines whose kernel cannot, under qemu's user-mode
emulation (tools/setup installs and registers it there; emulated() tells).
ROLEMARK_ARCH (win64 or win32) names the build a check or a benchmark runs;
ROLEMARK_OUT the build folder (default <root>/out); WINEPREFIX the prefix
(default $ROLEMARK_OUT/wineprefix).
"""
import os
import shutil
import subprocess

TOOLS = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ROOT = os.environ.get("ROLEMARK_ROOT") or os.path.dirname(TOOLS)
OUT = os.environ.get("ROLEMARK_OUT") or os.path.join(ROOT, "out")
LOADER = "/usr/lib/wine/wine64"
SERVER = "/usr/lib/wine/wineserver"
ARCHES = ("win64", "win32")
LANG = "ru_RU.UTF-8"


def arch():
    """The build this process works with: ROLEMARK_ARCH, by default win64."""
    name = os.environ.get("ROLEMARK_ARCH") or "win64"
    if name not in ARCHES:
        raise ValueError("ROLEMARK_ARCH is %r, not one of %s" % (name, ", ".join(ARCHES)))
    return name


# The kernel's entry that hands i386 programs to qemu (tools/setup registers
# it only where the kernel does not run them itself).
QEMU_ENTRY = "/proc/sys/fs/binfmt_misc/qemu-i386"
# What a failed test prints when the fault was qemu's emulation rather than
# the program's: qemu's report of a signal it could not deliver, and the
# rig's note that a file dialog asked for never showed.
EMULATION_SYMPTOMS = ("uncaught target signal", "note  uidriver: no file dialog appeared")


def emulated(name=None):
    """True when the build `name` (default: arch()) runs under qemu's
    user-mode emulation here: it is the i686 build, and the qemu entry for
    i386 programs is registered and enabled. NOTE: an enabled entry takes
    priority over the kernel's own loader, so i386 code then runs under qemu
    even on a kernel that could run it; without the entry every i386 program
    that starts at all runs natively."""
    if (name or arch()) != "win32":
        return False
    try:
        with open(QEMU_ENTRY) as f:
            return f.readline().strip() == "enabled"
    except OSError:
        return False


def bin_dir(name=None):
    """Where the programs of a build live."""
    return os.path.join(OUT, name or arch(), "bin")


def prefix(env=None):
    return (env or os.environ).get("WINEPREFIX") or os.path.join(OUT, "wineprefix")


def python_env(base=None):
    """`base` (default: this process's environment) with what the tree's
    Python scripts need: this package importable, no __pycache__ in the
    source tree, the root and the build folder named."""
    env = dict(os.environ if base is None else base)
    path = env.get("PYTHONPATH")
    env["PYTHONPATH"] = TOOLS + (os.pathsep + path if path and TOOLS not in path.split(os.pathsep) else "")
    env.update(PYTHONDONTWRITEBYTECODE="1", ROLEMARK_ROOT=ROOT, ROLEMARK_OUT=OUT)
    return env


def environment(lang=LANG, base=None):
    """python_env() plus Wine's variables, with the Windows locale `lang`
    (ru_RU.UTF-8: code page 1251 and a decimal comma; en_US.UTF-8: 1252 and a
    full stop). A WINEDEBUG already set is kept, for looking into a fault."""
    env = python_env(base)
    env["ROLEMARK_WINE"] = LOADER  # for shell scripts; also says "inside this environment"
    env["WINEPREFIX"] = prefix(env)
    env.setdefault("WINEDEBUG", "-all")
    # NOTE: Wine takes the code page from LC_ALL before LANG: both are set.
    env.update(LANG=lang, LC_ALL=lang)
    # No offer to install Mono or Gecko: nothing here needs .NET or HTML.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    env["XENVIRONMENT"] = x_resources()
    return env


def x_resources():
    """A file of X resources holding one unused resource. NOTE: with none
    loaded (a bare Xvfb), Xlib searches for them again (a hostname look-up,
    two files opened) at every font a Wine window selects: about 1,400 times
    while Rolemark's window is built and five times per move of its progress
    bar (strace). A desktop session has them loaded; so do the tests and the
    benchmarks, both sides of a comparison alike. Nothing renders otherwise."""
    path = os.path.join(OUT, "x-resources")
    if not os.path.exists(path):
        os.makedirs(OUT, exist_ok=True)
        with open(path, "w") as f:
            f.write("rolemarkBench.loaded: true\n")
    return path


def has_32bit_half(path):
    """Whether the prefix at `path` was made with 32-bit Wine present: one
    made before has an empty 32-bit system folder, and "wineboot -u" does not
    fill it."""
    return os.path.exists(os.path.join(path, "drive_c", "windows", "syswow64", "kernel32.dll"))


def ensure_prefix(env, timeout=300):
    """Makes the prefix of `env` on first use, or makes it again when it
    lacks its 32-bit half (only a prefix in the build folder: it holds
    nothing but test state); waits for the wineserver to end, so that the
    next program starts one under the current display. Returns what was done
    ("" when nothing); raises RuntimeError when the prefix is not whole.
    Call it with no program of the prefix running."""
    path = prefix(env)
    if not os.path.exists(os.path.join(path, "system.reg")):
        done = "made"
    elif has_32bit_half(path):
        return ""
    elif os.path.realpath(path).startswith(os.path.realpath(OUT) + os.sep):
        done = "made again with its 32-bit half"
        stop_server(env)
        shutil.rmtree(path)
    else:
        raise RuntimeError("the Wine prefix %s was made without 32-bit Wine: make a new one" % path)
    with open(os.devnull, "wb") as null:
        # NOTE: in an X server of its own: in a display that stays, something
        # wineboot starts stays too, and the wineserver never ends.
        subprocess.run(["xvfb-run", "-a", LOADER, "wineboot", "-i"], env=env, stdin=subprocess.DEVNULL, stdout=null,
                       stderr=null, timeout=timeout)
        subprocess.run([SERVER, "-w"], env=env, stdin=subprocess.DEVNULL, stdout=null, stderr=null, timeout=timeout)
    if not has_32bit_half(path):
        raise RuntimeError("the Wine prefix %s could not be %s" % (path, done))
    return done


def stop_server(env):
    """Ends the prefix's wineserver and every program in it."""
    subprocess.run([SERVER, "-k"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=60)
