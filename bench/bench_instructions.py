#!/usr/bin/env python3
"""The work one kova_server does per request, counted in instructions under valgrind's callgrind: unlike
requests/s on a shared machine, the count comes out the same run after run, so two builds can be compared
by a few per cent. AGENTS enrolled agents send REQUESTS time-page requests (the reference, the HTTP layer
alone), settings requests and reports over CONNECTIONS kept-alive connections at once, as the wrk runs of
bench_ingest.py do; each route is counted between two dumps of the counters, after its answers' commits. The
server's own threads count, the kernel does not. Slowed down by callgrind, the server finds fewer requests
waiting for each commit than under wrk (the line "commits:" says how many), so a commit weighs more in each
request's count. Every process started is stopped and its folder removed.

--dumps DIR keeps each route's dump (DIR/N.ROUTE.callgrind) for callgrind_annotate --inclusive=yes.

Usage: bench/bench_instructions.py SERVER_EXE [SERVER_EXE...] [--agents N] [--requests N] [--connections C]
                                   [--dumps DIR]
       (needs valgrind)"""

import argparse
import concurrent.futures
import glob
import http.client
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench_ingest  # noqa: E402
from bench_ingest import fleet, kovarig  # noqa: E402


def dumped_instructions(folder, pid, keep_as=None):
    """Dumps callgrind's counters (which starts them again) and returns what the dump holds; the dump is
    moved to `keep_as` when given."""
    before = set(glob.glob(os.path.join(folder, "callgrind.out*")))
    subprocess.run(["callgrind_control", "--dump", str(pid)], check=True, capture_output=True, timeout=120)
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        for path in set(glob.glob(os.path.join(folder, "callgrind.out*"))) - before:
            with open(path) as dump:
                total = next((int(line.split()[1]) for line in dump
                              if line.startswith(("summary:", "totals:"))), None)
            if total is not None:
                if keep_as:
                    shutil.move(path, keep_as)
                return total
        time.sleep(0.1)
    raise RuntimeError("callgrind wrote no dump")


def send(server, route, agents, count, connections):
    """`count` requests in all, each connection sending for agents of its own, one request after another."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=connections) as pool:
        list(pool.map(lambda first: send_over_one(server, route, agents[first::connections],
                                                  len(range(first, count, connections))),
                      range(connections)))


def send_over_one(server, route, agents, count):
    connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=300)
    for index in range(count):
        agent = agents[index % len(agents)]
        if route == "time page":
            connection.request("GET", kovarig.TIME_PATH)
        else:
            body = f"servercode={agent.name}" if route == "settings request" else bench_ingest.report_body(agent)
            connection.request("POST", kovarig.EXCHANGE_PATH, body=body,
                               headers=dict(fleet.FORM, Authorization=f"Bearer {agent.key}"))
        response = connection.getresponse()
        response.read()
        if response.status != 200:
            raise RuntimeError(f"{route}: {response.status}")
    connection.close()


def count(exe, options, number):
    """{route: instructions per request} for one build."""
    folder = tempfile.mkdtemp(prefix="kova-instructions-bench-")
    server = kovarig.Server(os.path.abspath(exe), folder, os.path.join(folder, "kova.db"),
                            ["--report-interval", "0", "--metrics-allow", "127.0.0.1"], enrolment="open",
                            runner=["valgrind", "--tool=callgrind", f"--callgrind-out-file={folder}/callgrind.out"])
    try:
        server.start(seconds=300)
        agents = bench_ingest.enrol(options.agents, "127.0.0.1", server.port, False)
        counts = {}
        for route in ("time page", "settings request", "status report"):
            send(server, route, agents, options.agents, options.connections)  # each agent once first
            time.sleep(0.5)
            dumped_instructions(folder, server.process.pid)
            send(server, route, agents, options.requests, options.connections)
            time.sleep(0.5)  # the last group's commit
            keep_as = options.dumps and os.path.join(options.dumps, f"{number}.{route.replace(' ', '-')}.callgrind")
            counts[route] = dumped_instructions(folder, server.process.pid, keep_as) / options.requests
        bench_ingest.commit_groups([server])
        return counts
    finally:
        server.kill()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("servers", nargs="+")
    parser.add_argument("--agents", type=int, default=20)
    parser.add_argument("--requests", type=int, default=800)
    parser.add_argument("--connections", type=int, default=8)
    parser.add_argument("--dumps")
    options = parser.parse_args()
    if options.agents < options.connections:
        parser.error("each connection sends for agents of its own: --agents must be at least --connections")
    if options.dumps:
        os.makedirs(options.dumps, exist_ok=True)
    print(f"{options.requests} requests per route from {options.agents} agents over {options.connections} "
          "connections; instructions per request (user space, all the server's threads)")
    print("| server | time page (reference) | settings request | status report | settings / time page | "
          "reports / time page |")
    print("|---|---|---|---|---|---|", flush=True)
    for number, exe in enumerate(options.servers, 1):
        counts = count(exe, options, number)
        page = counts["time page"]
        print(f"| {exe} | {page:,.0f} | {counts['settings request']:,.0f} | {counts['status report']:,.0f} | "
              f"{counts['settings request'] / page:.2f} | {counts['status report'] / page:.2f} |", flush=True)


if __name__ == "__main__":
    main()
