#!/usr/bin/env python3
# group: native
"""Builds the reply fuzzer and runs it for 30 seconds.

The fuzzer (tests/pmdde/fuzz_replies.cpp) is built with clang's libFuzzer,
AddressSanitizer and UBSan from the command layer's sources, straight into
$ROLEMARK_OUT/fuzz/fuzz_replies; it is rebuilt only when a source is newer
than it. Its corpus stays in $ROLEMARK_OUT/fuzz/corpus between runs, so each
run starts where the last one stopped. A crash, a sanitizer report, a hang of
5 seconds on one input or a build failure is one failed check; crashing
inputs are kept in $ROLEMARK_OUT/fuzz/.
"""
import glob, os, re, subprocess, sys, tempfile

ROOT = os.environ.get("ROLEMARK_ROOT") or os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT = os.environ.get("ROLEMARK_OUT") or os.path.join(ROOT, "out")
FUZZ = os.path.join(OUT, "fuzz")
BINARY = os.path.join(FUZZ, "fuzz_replies")
SECONDS = int(os.environ.get("ROLEMARK_FUZZ_SECONDS", "30"))

SOURCES = ["tests/pmdde/fuzz_replies.cpp", "platform/locale.cpp", "platform/standin/locale.cpp",
           "platform/standin/dde_conversation.cpp"] + sorted(
    os.path.relpath(p, ROOT) for p in glob.glob(os.path.join(ROOT, "pmdde", "*.cpp")))

# Replies of each shape the host gives, to start an empty corpus with.
SEEDS = ["7", "12.5", "-1", "3,10,20", "1.5,2.5,3.5,4.5,5.5,300", "\"Times\"", "\"A-Master\",1",
         "2,\"Times\",1,2,3,\"Arial\",4,300,6", "3,\"Body\",\"Head\"", "5,1.5,2.5,3.5,4.5,5.5",
         "1,101,2,-3,4,261,6,7,1.5,2.5,-4,7.25,5,6,7,8", "2,\"a1\",\"a2\",1,2,3,4,5,\"b1\",\"b2\",6,7,8,9,10",
         "12,\"stored, text\"", " 2.5e-3,+1E4,.5"]


def report(passed, message):
    print(message, flush=True)
    print("1 passed, 0 failed" if passed else "0 passed, 1 failed", flush=True)
    return 0 if passed else 1


def newest_input():
    paths = [os.path.join(ROOT, s) for s in SOURCES]
    for folder in ("pmdde", "platform", "platform/standin"):
        paths += glob.glob(os.path.join(ROOT, folder, "*.h")) + glob.glob(os.path.join(ROOT, folder, "*.def"))
    paths.append(os.path.abspath(__file__))
    return max(os.path.getmtime(p) for p in paths)


def build():
    if os.path.exists(BINARY) and os.path.getmtime(BINARY) >= newest_input():
        return True, "fuzz: up to date"
    os.makedirs(FUZZ, exist_ok=True)
    # Linked under a temporary name and renamed, so a failed build leaves no half-written fuzzer.
    fd, temporary = tempfile.mkstemp(dir=FUZZ, prefix=".fuzz_replies.")
    os.close(fd)
    cmd = ["clang++", "-std=c++17", "-g", "-O1", "-fsanitize=fuzzer,address,undefined",
           "-fno-sanitize-recover=undefined", "-I", ROOT] + [os.path.join(ROOT, s) for s in SOURCES] + ["-o", temporary]
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if p.returncode != 0:
        os.unlink(temporary)
        return False, "fuzz: build failed\n" + p.stdout.decode("utf-8", "replace")[-4000:]
    os.replace(temporary, BINARY)
    return True, "fuzz: built " + os.path.relpath(BINARY, OUT)


def seed(corpus):
    os.makedirs(corpus, exist_ok=True)
    if os.listdir(corpus):
        return
    for i, text in enumerate(SEEDS):
        with open(os.path.join(corpus, "seed%02d" % i), "wb") as f:
            f.write(text.encode("ascii"))


def main():
    ok, message = build()
    print(message, flush=True)
    if not ok:
        return report(False, "fuzz: no run")
    corpus = os.path.join(FUZZ, "corpus")
    seed(corpus)
    cmd = [BINARY, corpus, "-max_total_time=%d" % SECONDS, "-timeout=5", "-rss_limit_mb=2048",
           "-print_final_stats=1", "-artifact_prefix=" + FUZZ + os.sep]
    env = dict(os.environ)
    env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env, timeout=SECONDS + 300)
    output = p.stdout.decode("utf-8", "replace")
    stats = [l for l in output.splitlines() if l.startswith("stat::") or re.match(r"#\d+\s+DONE", l)]
    print("\n".join(stats), flush=True)
    if p.returncode != 0:
        return report(False, "fuzz: failed (exit %d)\n%s" % (p.returncode, output[-6000:]))
    return report(True, "fuzz: no failure in %d s" % SECONDS)


if __name__ == "__main__":
    sys.exit(main())
