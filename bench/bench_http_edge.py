#!/usr/bin/env python3
"""The figures of kova_server's own HTTP edge for one binary, as a table: peak memory growth (VmHWM) under
huge bodies and heads and downloads nobody reads, how a crowd of idle and slow connections and a starved
open-file limit are handled while the real agent runs, the refusals /metrics counted, and the throughput of
keyed settings requests as a ratio to the time page's in the same run (wrk: 1 thread, 8 connections, 8 s).
Every server started is stopped and its folder removed, so it can run again at once.

Usage: bench/bench_http_edge.py SERVER_EXE [AGENT_EXE]   (needs wrk: scripts/setup test-tools)"""

import collections
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path[:0] = [os.path.join(ROOT, folder) for folder in ("tests/stack", "tests/support", "scripts")]
import edge_attacks as edge  # noqa: E402
import fleet  # noqa: E402
import kovarig  # noqa: E402

WRK_SECONDS = 8


def mib(kib):
    return f"{kib / 1024:.1f} MiB"


def seconds(value):
    return "never" if value is None else f"{value:.1f} s"


def settings_script(key):
    """wrk's request: the settings request the agent sends, with its key."""
    return (f'wrk.method = "POST"\nwrk.body = "servercode=BENCH-WRK"\n'
            f'wrk.headers["Content-Type"] = "{edge.FORM}"\nwrk.headers["Authorization"] = "Bearer {key}"\n')


def wrk(url, script=None):
    """(requests per second, answers other than 2xx/3xx) of one wrk run."""
    arguments = ["wrk", "-t1", "-c8", f"-d{WRK_SECONDS}s"] + (["-s", script] if script else []) + [url]
    output = subprocess.run(arguments, capture_output=True, text=True, timeout=WRK_SECONDS + 60).stdout
    rate = re.search(r"Requests/sec:\s+([\d.]+)", output)
    refused = re.search(r"Non-2xx or 3xx responses:\s+(\d+)", output)
    return float(rate.group(1)) if rate else 0.0, int(refused.group(1)) if refused else 0


def settings_to_time_page(exe, folder):
    with edge.running_server(exe, folder) as server:
        agent = fleet.Agent("BENCH-WRK")
        agent.connect("127.0.0.1", server.port, tls=False)
        status, _, _ = agent.settings()
        agent.connection.close()
        if status != 200 or not agent.key:
            return f"no key: the enrolment was answered {status}"
        script = os.path.join(folder, "settings.lua")
        with open(script, "w") as file:
            file.write(settings_script(agent.key))
        settings, settings_refused = wrk(server.url + kovarig.EXCHANGE_PATH, script)
        time_page, time_refused = wrk(server.url + kovarig.TIME_PATH)
    if not time_page:
        return "the time page gave no throughput"
    return (f"{settings / time_page:.2f} (non-2xx: settings {settings_refused}, "
            f"time page {time_refused})")


def figures(exe, agent_exe, folder):
    """(figure, value) rows, printed as each is measured; the refusals of every run summed at the end."""
    counted = collections.Counter()
    for what, results, growth, refused in edge.oversized_bodies(exe, folder):
        counted.update(refused)
        yield what, (f"{'/'.join(r['status'] for r in results)}, grew {mib(growth)}, "
                     f"{'/'.join(str(round(r['sent_mib'])) for r in results)} MiB of body pushed")
    header = edge.endless_header(exe, folder)
    counted.update(header["refusals"])
    yield "100 MB header line", f"{header['status']}, grew {mib(header['growth_kib'])}"
    crowd = edge.crowd(exe, folder, agent_exe)
    counted.update(crowd["refusals"])
    yield "1,000 idle + 300 slow connections", (
        f"{crowd['closed']}/{crowd['opened']} closed, last after {seconds(crowd['last_closed_s'])}; agent "
        f"{crowd['agent_ok']}/{crowd['agent_runs']} runs ok, slowest {seconds(crowd['agent_slowest_s'])}")
    limit = edge.small_file_limit(exe, folder, agent_exe)
    counted.update(limit["refusals"])
    yield "ulimit -n 1024, 1,100 from 127.0.0.2", (
        f"{limit['opened']} opened in {limit['flood_s']:.1f} s, {limit['kept']} kept; agent "
        f"{'not run' if not agent_exe else seconds(limit['agent_s'])}")
    downloads = edge.stalled_downloads(exe, folder)
    counted.update(downloads["refusals"])
    yield "50 stalled 20 MB downloads", (
        f"grew {mib(downloads['growth_kib'])}, {downloads['dropped']}/{downloads['clients']} dropped, all gone "
        f"after {seconds(downloads['dropped_after_s'])}; whole download ok: {downloads['whole_download']}")
    with edge.running_server(exe, folder) as server:
        status, closed_after = edge.seconds_to_close_after_answer(server.port)
    yield "Connection: close", (f"{status}, " + ("still open 5 s after the answer" if closed_after is None
                                                 else f"closed {closed_after:.2f} s after the answer"))
    yield "refusals on /metrics", ", ".join(f"{reason} {counted[reason]}" for reason in edge.REFUSAL_REASONS)
    yield "wrk settings/time page req/s", settings_to_time_page(exe, folder)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    exe = os.path.abspath(sys.argv[1])
    agent_exe = sys.argv[2] if len(sys.argv) > 2 else os.environ.get("KOVA_AGENT_EXE")
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 20000)), hard))
    folder = tempfile.mkdtemp(prefix="kova-edge-bench-")
    print(f"HTTP edge of {exe}")
    try:
        for what, value in figures(exe, agent_exe, folder):
            print(f"  {what:<46} {value}", flush=True)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
