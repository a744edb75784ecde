#!/usr/bin/env python3
# group: native
"""The built plug-ins, i686 and x86_64, as the host sees them: one export
`main` at ordinal 1 with no decoration, string 1 "Rolemark" and the 28-byte
record of type 301 / id 101 (both language neutral), and imports from system
DLLs only (the MinGW runtime is linked in). Prints 'N passed, N failed'."""
import os
import sys

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
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "shell32.dll", "user32.dll", "msvcrt.dll", "ntdll.dll"}
MACHINES = {"win64": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"],
            "win32": pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"]}

passed = failed = 0


def check(name, ok, detail=""):
    global passed, failed
    if ok:
        passed += 1
        print("ok    " + name)
    else:
        failed += 1
        print("FAIL  " + name + (": " + detail if detail else ""))


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


def check_plugin(build):
    path = os.path.join(OUT, build, "bin", "rmaddin.add")
    if not os.path.exists(path):
        check(build + ": rmaddin.add built", False, "missing " + path)
        return
    pe = pefile.PE(path)
    check(build + ": machine", pe.FILE_HEADER.Machine == MACHINES[build], hex(pe.FILE_HEADER.Machine))
    check(build + ": is a DLL", pe.FILE_HEADER.Characteristics & 0x2000 != 0)

    exports = [(e.name, e.ordinal) for e in pe.DIRECTORY_ENTRY_EXPORT.symbols] \
        if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else []
    check(build + ": exports exactly main at ordinal 1", exports == [(b"main", 1)],
          "expected [(b'main', 1)], got %r" % exports)

    strings = resource_leaves(pe, pefile.RESOURCE_TYPE["RT_STRING"])
    check(build + ": one string block, number 1, language neutral", [(i, l) for i, l, _ in strings] == [(1, 0)],
          "got %r" % [(i, l) for i, l, _ in strings])
    if strings:
        block = string_block(strings[0][2])
        check(build + ": string 1 is \"Rolemark\", the rest of its block empty",
              block[1] == "Rolemark" and all(s == "" for i, s in enumerate(block) if i != 1),
              "got %r" % block)

    records = resource_leaves(pe, 301)
    check(build + ": one record of type 301, id 101, language neutral", [(i, l) for i, l, _ in records] == [(101, 0)],
          "got %r" % [(i, l) for i, l, _ in records])
    if records:
        check(build + ": the record holds the 28 bytes", records[0][2] == RECORD,
              "expected %s, got %s" % (RECORD.hex(), records[0][2].hex()))

    imports = sorted(e.dll.decode().lower() for e in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []))
    foreign = [d for d in imports if d not in SYSTEM_DLLS]
    check(build + ": imports only system DLLs", not foreign, "imports %r" % foreign)


for build in ("win64", "win32"):
    check_plugin(build)
print("%d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
