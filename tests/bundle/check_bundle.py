#!/usr/bin/env python3
# group: wine
"""The release bundle as a new user meets it: tools/dist makes the zips; the
one of the build under test (ROLEMARK_ARCH) is unpacked into a fresh Wine prefix; the first start of its
rolemark.exe shows the installation message and records AppPath; then the
bundle's rmaddin.add, called the way the host calls it, starts Rolemark
against the host stand-in, the bundle's words.txt is opened through the
window, and one run over the sample play formats exactly the expected names.
Prints 'N passed, N failed'.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

from rig import Results, Rig, RigError, demo, wine, winpath

ROOT, OUT = wine.ROOT, wine.OUT
fresh = tempfile.mkdtemp(prefix="rolemark-bundle-")
os.environ["WINEPREFIX"] = os.path.join(fresh, "prefix")  # a new user's machine

BUNDLED = ("rolemark.exe", "rmaddin.add", "pmcmd.exe", "words.txt", "README.txt", "ПРОЧТИ.txt", "LICENSE.txt")
TOOLS = ("pmstandin.exe", "pmcmd.exe", "uidriver.exe", "plughost.exe")
R = Results()


def check(ok, what, detail=""):
    return R.true(what, ok, detail)


def main():
    made = subprocess.run([os.path.join(ROOT, "tools", "dist")], cwd=ROOT, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=900)
    zips = {arch: sorted(glob.glob(os.path.join(ROOT, "dist", "rolemark-*-%s.zip" % arch))) for arch in ("win32", "win64")}
    if not check(made.returncode == 0 and all(zips.values()), "tools/dist makes both bundles",
                 made.stdout.decode("utf-8", "replace")[-800:]):
        return
    for arch, found in zips.items():
        with zipfile.ZipFile(found[-1]) as z:
            check(sorted(z.namelist()) == sorted(BUNDLED), "%s bundle holds exactly its files" % arch, repr(z.namelist()))
            words = z.read("words.txt")
            check(words.endswith(b"\r\n") and b"\n" not in words.replace(b"\r\n", b""),
                  "%s words.txt: every line ends in CR LF" % arch)
            words.decode("cp1251")

    # The new user's install folder; the test tools sit beside it, not in it.
    install = os.path.join(fresh, "drive", "Rolemark")
    with zipfile.ZipFile(zips[wine.arch()][-1]) as z:
        z.extractall(install)
    tools = os.path.join(fresh, "tools")
    os.makedirs(tools)
    for name in TOOLS:
        shutil.copy(os.path.join(wine.bin_dir(), name), tools)
    for name in ("rolemark.exe", "rmaddin.add"):
        os.symlink(os.path.join(install, name), os.path.join(tools, name))

    with Rig("ru_RU.UTF-8", work=os.path.join(fresh, "work")) as rig:
        rig.bin = tools
        rig.ensure_prefix()
        app = os.path.join(install, "rolemark.exe")
        check(rig.registry() is None, "a fresh prefix has no Rolemark key")
        rig.spawn(app, log=os.path.join(rig.work, "first-start.log"))
        box = rig.ui("box", "30000", timeout=60)
        boxes = box.boxes()
        check(box.ok and boxes and boxes[0][0] == "Инсталляция" and boxes[0][2] == "Rolemark установлен!" and boxes[0][1] in ("information", "icon"),
              "first start shows the installation message", repr(boxes) + " " + box.error)
        gone = rig.ui("wait-title", "Rolemark", "1", timeout=30)
        values = rig.registry() or {}
        check(values.get("AppPath", ("", ""))[1].lower() == winpath(app).lower(), "AppPath records the unpacked program",
              repr(values))
        check("FromAdd" not in values, "the first start neither reads nor writes FromAdd", repr(values))

        host = rig.start_host()
        code, out = rig.wine(rig.program("plughost.exe"), winpath(os.path.join(install, "rmaddin.add")), stem="plughost")
        check(code == 0 and "returned 0" in out, "the bundle's plug-in is loaded and its main returns 0", out.strip())
        form = rig.ui("form", timeout=60)
        if not check(form.ok, "the plug-in starts Rolemark and its window appears", form.error):
            return
        host.wait_quiet()  # the window's first fill
        folder = os.path.join(OUT, "bundle")
        os.makedirs(folder, exist_ok=True)
        try:
            ok = demo.format_sample(rig, host, os.path.join(install, "words.txt"), folder)
        except RigError as e:
            ok = False
            print("      " + str(e))
        check(ok, "one run on the sample with the bundle's cast formats exactly the expected names")
        check(os.path.getsize(os.path.join(folder, "story.json")) > 0, "the formatted dump is left in out/bundle")


if __name__ == "__main__":
    try:
        main()
    except (RigError, OSError, subprocess.SubprocessError) as e:
        check(False, "the bundle check ran to its end", str(e))
    finally:
        wine.stop_server(dict(os.environ))
        shutil.rmtree(fresh, ignore_errors=True)
    print("%d passed, %d failed" % (R.passed, R.failed))
    sys.exit(1 if R.failed else 0)
