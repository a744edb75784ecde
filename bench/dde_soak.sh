#!/usr/bin/env bash
# The DDE link's throughput under Wine: "pmcmd soak N" and the bare DDEML loop
# (bench/dde_bare) against the scripted server speaking DDE by hand, RUNS
# times each, alternating, in one Wine session. Prints every run, then the
# median exchanges/s of both and the total lost; exits non-zero on any loss.
#
#   bench/dde_soak.sh
#   env: EXCHANGES (20000), RUNS (3), SERVER_OPTIONS (e.g. --ddeml),
#        ROLEMARK_ARCH (the build, default win64), ROLEMARK_OUT, WINEPREFIX
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ROLEMARK_ARCH:-win64}
exchanges=${EXCHANGES:-20000}
runs=${RUNS:-3}

if [ -z "${ROLEMARK_WINE:-}" ]; then
  "$root/tools/build" "$arch" --only pmcmd scripted_server dde_bare >/dev/null
  exec "$root/tools/with_wine" "$0" "$@"
fi
wine=$ROLEMARK_WINE
bin=$ROLEMARK_OUT/$arch/bin

work=$(mktemp -d)
server=
finish() {
  if [ -n "$server" ]; then
    timeout 60 $wine "$bin/pmcmd.exe" exec ScriptQuit >/dev/null 2>&1 || kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap finish EXIT

windows_path() { echo "Z:${1//\//\\}"; }
# shellcheck disable=SC2086
$wine "$bin/scripted_server.exe" --ready "$(windows_path "$work/ready")" --lifetime 3600 ${SERVER_OPTIONS:-} &
server=$!
for _ in $(seq 300); do [ -f "$work/ready" ] && break; sleep 0.1; done
[ -f "$work/ready" ] || { echo "dde_soak: the scripted server did not start" >&2; exit 1; }

echo "dde_soak: $runs x $exchanges exchanges, server ${SERVER_OPTIONS:-raw}, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
# A run that does not end within 10 minutes counts as failed (the bare loop
# has no defence against a server that stops answering it).
for run in $(seq "$runs"); do
  timeout 600 $wine "$bin/pmcmd.exe" soak "$exchanges" | tee -a "$work/pmcmd.log" | sed "s/^/run $run pmcmd  /" || true
  timeout 600 $wine "$bin/dde_bare.exe" "$exchanges" | tee -a "$work/bare.log" | sed "s/^/run $run bare   /" || true
done

python3 - "$work" "$runs" <<'PY'
import re, statistics, sys
work, runs = sys.argv[1], int(sys.argv[2])
bad = 0
for name in ("pmcmd", "bare"):
    text = open("%s/%s.log" % (work, name)).read()
    rates = [float(r) for r in re.findall(r"in [\d.]+ s: (\d+) exchanges/s", text)]
    lost = sum(int(f) + int(l) for f, l in re.findall(r"failures (\d+), lost (\d+)", text))
    bad += lost + (runs - len(rates))
    median = statistics.median(rates) if rates else 0
    print("dde_soak: %-5s %s exchanges/s (median %.0f), lost or failed %d" % (name, " ".join("%.0f" % r for r in rates), median, lost))
sys.exit(1 if bad else 0)
PY
