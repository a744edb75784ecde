#!/usr/bin/env python3
# group: native
"""The built deliverables, i686 and x86_64, as Windows and the host load them.

Every shipped program (rolemark.exe, rmaddin.add and the probe pmcmd.exe):
imports by name from system DLLs only (the MinGW runtime is linked in), none
of them an export that Windows XP SP3 lacks (XP x64, NT 5.2, for x86_64; the
list is post_xp_exports.txt), and a subsystem version no newer than that
Windows. rolemark.exe: its manifest asks for common controls 6 and names
Vista to 10 as tested; the file dialogs and the shell are not imported.
rmaddin.add as the host sees it: one export `main` at ordinal 1 with no
decoration, which on i686 removes its 4-byte argument (read from its code),
string 1 "Rolemark" and the 28-byte record of type 301 / id 101 (both
language neutral).

  check_pe.py [BUILD_DIR ...]   (default: out/win64 out/win32)

Prints 'N passed, N failed'."""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

from rig import Results

try:
    import pefile
except ImportError:
    # python3-pefile installs for the system interpreter; another python3
    # first on PATH (pyenv) does not see it.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

ROOT = os.environ.get("ROLEMARK_ROOT", os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
OUT = os.environ.get("ROLEMARK_OUT", os.path.join(ROOT, "out"))

RECORD = bytes.fromhex("00000000" "00020100" "01000000" "09000000" "00010000" "01000000" "00000000")
I386 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]
AMD64 = pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]
# The oldest Windows each architecture runs on, as _WIN32_WINNT: XP SP3 and
# XP x64 (which is Server 2003 inside), and the objdump that reads its code.
OLDEST = {I386: 0x501, AMD64: 0x502}
MACHINES = {"win64": AMD64, "win32": I386}
OBJDUMP = {I386: "i686-w64-mingw32-objdump", AMD64: "x86_64-w64-mingw32-objdump"}
VERSION_NAMES = {0x502: "Server 2003 / XP x64", 0x600: "Vista", 0x601: "7", 0x602: "8", 0x603: "8.1", 0xA00: "10"}
# supportedOS ids: Vista, 7, 8, 8.1, 10 (and 11).
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def load_post_xp_exports(path):
    """{dll: {function: first Windows version that exports it}}; every DLL
    the deliverables may import from has a section, empty or not."""
    table, dll = {}, None
    with open(path) as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            if line.startswith("["):
                dll = line.strip("[]").lower()
                table[dll] = {}
                continue
            version, *names = line.split()
            for name in names:
                table[dll][name] = int(version, 16)
    return table


POST_XP = load_post_xp_exports(os.path.join(os.path.dirname(os.path.abspath(__file__)), "post_xp_exports.txt"))

R = Results()


def resource_leaves(pe, type_id):
    """[(id, language, bytes)] of one numeric resource type."""
    leaves = []
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return leaves
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != type_id:
            continue
        for entry in kind.directory.entries:
            for lang in entry.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                leaves.append((entry.id, lang.id, data))
    return leaves


def string_block(data):
    """The 16 strings of one string-table block (UTF-16, length-prefixed)."""
    strings, pos = [], 0
    for _ in range(16):
        length = int.from_bytes(data[pos:pos + 2], "little")
        strings.append(data[pos + 2:pos + 2 + 2 * length].decode("utf-16-le"))
        pos += 2 + 2 * length
    return strings


def load(build, name):
    """(pe, path, label) of one built file, or Nones when it is missing."""
    path = os.path.join(build, "bin", name)
    label = "%s: %s" % (os.path.basename(build), name)
    if not os.path.exists(path):
        R.true(label + " built", False, "missing " + path)
        return None, None, None
    pe = pefile.PE(path)
    machine = pe.FILE_HEADER.Machine
    expected = MACHINES.get(os.path.basename(build), machine)
    R.true(label + ": machine", machine == expected and machine in OLDEST, hex(machine))
    return (pe, path, label) if machine in OLDEST else (None, None, None)


def check_loads_on_xp(pe, label):
    """Imports and subsystem version against the oldest Windows of the
    file's architecture."""
    oldest = OLDEST[pe.FILE_HEADER.Machine]
    foreign, by_ordinal, too_new = [], [], []
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode().lower()
        if dll not in POST_XP:
            foreign.append(dll)
            continue
        for imported in entry.imports:
            if imported.name is None:
                by_ordinal.append("%s!#%d" % (dll, imported.ordinal))
                continue
            name = imported.name.decode()
            version = POST_XP[dll].get(name, 0)
            if version > oldest:
                too_new.append("%s!%s (Windows %s)" % (dll, name, VERSION_NAMES.get(version, hex(version))))
    R.true(label + ": imports only system DLLs", not foreign, "imports %r" % foreign)
    R.true(label + ": imports only by name", not by_ordinal, "by ordinal: %s" % ", ".join(by_ordinal))
    R.true(label + ": imports nothing Windows %s lacks" % ("XP SP3" if oldest == 0x501 else "XP x64"), not too_new,
          ", ".join(too_new))
    header = pe.OPTIONAL_HEADER
    subsystem = (header.MajorSubsystemVersion << 8) | header.MinorSubsystemVersion
    R.true(label + ": subsystem version at most %d.%02d" % (oldest >> 8, oldest & 0xFF), subsystem <= oldest,
          "%d.%02d" % (header.MajorSubsystemVersion, header.MinorSubsystemVersion))


def bytes_removed_by(pe, path, export):
    """What the i686 function at `export` pops on return: N of its `ret N`
    instructions, read from the disassembly up to the first return."""
    start = pe.OPTIONAL_HEADER.ImageBase + export.address
    listing = subprocess.run([OBJDUMP[I386], "-d", "--no-show-raw-insn", "--start-address=%#x" % start,
                              "--stop-address=%#x" % (start + 4096), path],
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True).stdout
    for line in listing.splitlines():
        m = re.match(r"\s*[0-9a-f]+:\s+ret[lw]?\b\s*(?:\$(0x[0-9a-f]+))?", line)
        if m:
            return int(m.group(1) or "0", 16)
    return None


def check_manifest(pe, label):
    manifests = resource_leaves(pe, pefile.RESOURCE_TYPE["RT_MANIFEST"])
    R.true(label + ": one manifest, id 1", [i for i, _, _ in manifests] == [1], "got %r" % [i for i, _, _ in manifests])
    if not manifests:
        return
    root = ET.fromstring(manifests[0][2])
    controls = [a.attrib for a in root.iter("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
                if a.attrib.get("name") == "Microsoft.Windows.Common-Controls"]
    R.true(label + ": manifest asks for common controls 6", [c.get("version") for c in controls] == ["6.0.0.0"],
          "got %r" % controls)
    named = {e.attrib.get("Id", "").lower() for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
    R.true(label + ": manifest names Vista, 7, 8, 8.1 and 10 as supported", named == SUPPORTED_OS,
          "missing %s, unknown %s" % (sorted(SUPPORTED_OS - named), sorted(named - SUPPORTED_OS)))


# Loaded by rolemark.exe when first used: every imported DLL, with the DLLs it
# brings along, lengthens each start.
LOADED_WHEN_USED = {"comdlg32.dll", "shell32.dll"}


def check_program(build):
    pe, _, label = load(build, "rolemark.exe")
    if pe:
        check_loads_on_xp(pe, label)
        check_manifest(pe, label)
        imported = {e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])}
        R.true(label + ": the file dialogs and the shell are not imported (loaded when first used)",
               not imported & LOADED_WHEN_USED, "imports %s" % sorted(imported & LOADED_WHEN_USED))


def check_probe(build):
    pe, _, label = load(build, "pmcmd.exe")
    if pe:
        check_loads_on_xp(pe, label)


def check_plugin(build):
    pe, path, label = load(build, "rmaddin.add")
    if not pe:
        return
    R.true(label + ": is a DLL", pe.FILE_HEADER.Characteristics & 0x2000 != 0)
    check_loads_on_xp(pe, label)

    symbols = pe.DIRECTORY_ENTRY_EXPORT.symbols if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    exports = [(e.name, e.ordinal) for e in symbols]
    R.true(label + ": exports exactly main at ordinal 1", exports == [(b"main", 1)],
          "expected [(b'main', 1)], got %r" % exports)
    if pe.FILE_HEADER.Machine == I386 and symbols:
        # The host calls main(int) as stdcall: the callee removes the argument.
        popped = bytes_removed_by(pe, path, symbols[0])
        R.true(label + ": main removes its 4-byte argument (ret 4)", popped == 4,
              "its first return pops %r bytes" % popped)

    strings = resource_leaves(pe, pefile.RESOURCE_TYPE["RT_STRING"])
    R.true(label + ": one string block, number 1, language neutral", [(i, l) for i, l, _ in strings] == [(1, 0)],
          "got %r" % [(i, l) for i, l, _ in strings])
    if strings:
        block = string_block(strings[0][2])
        R.true(label + ": string 1 is \"Rolemark\", the rest of its block empty",
              block[1] == "Rolemark" and all(s == "" for i, s in enumerate(block) if i != 1),
              "got %r" % block)

    records = resource_leaves(pe, 301)
    R.true(label + ": one record of type 301, id 101, language neutral", [(i, l) for i, l, _ in records] == [(101, 0)],
          "got %r" % [(i, l) for i, l, _ in records])
    if records:
        R.true(label + ": the record holds the 28 bytes", records[0][2] == RECORD,
              "expected %s, got %s" % (RECORD.hex(), records[0][2].hex()))



for build in sys.argv[1:] or [os.path.join(OUT, "win64"), os.path.join(OUT, "win32")]:
    check_program(build)
    check_plugin(build)
    check_probe(build)
print("%d passed, %d failed" % (R.passed, R.failed))
sys.exit(1 if R.failed else 0)
