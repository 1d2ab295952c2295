#!/usr/bin/env python3
"""/metrics at 10,000 computers, quiet and while reports arrive, against the time page measured in the same
run and the same way (the HTTP layer's own cost).

The fleet is seeded through the agents' own exchange (open enrolment: a settings request that hands out the
key, then a report with three watched folders, one of them over its limit, and two disks). The load is wrk
(its own process) sending those computers' reports at a fixed rate. Each figure is the median of ROUNDS
whole pages read by one client.

With --keep FOLDER the seeded fleet stays in FOLDER and a later run with the same FOLDER reads it again
instead of seeding, so two builds can be timed on the same data; --page FILE writes the quiet page, to compare
those builds' pages byte for byte; --quiet measures without the load (which changes the fleet's reports).

Usage: bench/bench_metrics.py SERVER_EXE [--computers N] [--rate R] [--rounds K] [--keep FOLDER] [--page FILE]
       [--quiet]   (needs wrk)"""

import argparse
import http.client
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from urllib.parse import quote

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path[:0] = [os.path.join(ROOT, folder) for folder in ("tests/stack", "tests/support", "scripts", "bench")]
import bench_ingest  # noqa: E402
import fleet  # noqa: E402
import kovarig  # noqa: E402


def report_body(name, files):
    """Three watched folders (the third over its limit) and two disks, as the agent writes them."""
    values = dict.fromkeys(fleet.KEYS, "")
    values.update(sComputerName=name, sIP="10.0.0.1", sOS="Microsoft Windows 10", sORUVersion="2.2.2",
                  sSettingTime="10", sDisable="0", sAlertStatus="1", sMessage="Folder over its limit.",
                  sDisk1="C:\\", sDiskSpace1="123456", sDisk2="D:\\", sdiskspace2="654321")
    for slot in range(1, 4):
        values.update({f"sDir{slot}": f"C:\\Data\\spool {slot}", f"sAlert{slot}": "100",
                       f"sCount{slot}": str(150 if slot == 3 else files), f"sSize{slot}": "4096"})
    return "&".join(f"{key}={quote(values[key], safe='')}" for key in fleet.KEYS)


def seed(server, count, folder):
    """Enrols `count` computers and sends each one report; returns the file of their reports for wrk."""
    started = time.monotonic()
    agents = bench_ingest.enrol(count, "127.0.0.1", server.port, False)
    connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
    path = os.path.join(folder, "reports.requests")
    with open(path + ".partial", "w") as requests:
        for index, agent in enumerate(agents):
            body = report_body(agent.name, index % 90)
            requests.write(f"{agent.key}\t{body}\n")
            connection.request("POST", kovarig.EXCHANGE_PATH, body=body, headers={
                "Content-Type": "application/x-www-form-urlencoded", "Authorization": f"Bearer {agent.key}"})
            reply = connection.getresponse()
            reply.read()
            if reply.status != 200:
                raise RuntimeError(f"{agent.name}'s report was refused: {reply.status}")
    os.replace(path + ".partial", path)  # a run stopped while seeding leaves no fleet to read again
    print(f"seeded {count} computers through the exchange in {time.monotonic() - started:.0f} s")
    return path


def server_cpu_ms(server):
    return bench_ingest.processor_seconds([server.process.pid])[server.process.pid] * 1000


def median_ms(server, path, rounds):
    """The median time to read the whole page, each round on a new connection, and the median of the
    server's processor time for it (which a machine busy with other work disturbs much less)."""
    times, cpu, size = [], [], 0
    for _ in range(rounds):
        connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=60)
        started, spent = time.perf_counter(), server_cpu_ms(server)
        connection.request("GET", path)
        reply = connection.getresponse()
        body = reply.read()
        times.append((time.perf_counter() - started) * 1000)
        cpu.append(server_cpu_ms(server) - spent)
        connection.close()
        if reply.status != 200:
            raise RuntimeError(f"{path} answered {reply.status}: {body[:200]!r}")
        size = len(body)
    return statistics.median(times), statistics.median(cpu), size


def save_page(server, path):
    connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=60)
    connection.request("GET", "/metrics")
    with open(path, "wb") as page:
        page.write(connection.getresponse().read())
    connection.close()


def measure(server, rounds):
    metrics, cpu, size = median_ms(server, "/metrics", rounds)
    reference, _, _ = median_ms(server, kovarig.TIME_PATH, rounds * 5)
    return metrics, cpu, reference, size


def under_load(server, requests, rate, rounds):
    """Measures while wrk sends reports at `rate` per second; returns the figures and the rate reached."""
    connections = 4
    seconds = 600
    result = {}
    load = threading.Thread(target=lambda: result.update(bench_ingest.wrk(
        server.url + kovarig.EXCHANGE_PATH, None, seconds, 1, connections,
        (requests, kovarig.EXCHANGE_PATH, str(1000.0 * connections / rate)))))
    load.start()
    time.sleep(2)  # wrk's connections are open and sending
    try:
        figures = measure(server, rounds)
    finally:
        # wrk prints its summary on SIGINT; its own process, so only the one started here.
        for line in subprocess.run(["pgrep", "-P", str(os.getpid()), "-x", "wrk"], capture_output=True,
                                   text=True).stdout.split():
            os.kill(int(line), 2)
        load.join()
    return figures, result


def line(label, figures):
    metrics, cpu, reference, size = figures
    return (f"| {label} | {metrics:.0f} | {cpu:.0f} | {reference:.2f} | {metrics / reference:,.0f} | "
            f"{size / 1e6:.1f} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("server")
    parser.add_argument("--computers", type=int, default=10_000)
    parser.add_argument("--rate", type=float, default=200, help="reports/s while measuring under load")
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--keep", help="a folder for the seeded fleet, read again when it holds one")
    parser.add_argument("--page", help="write the quiet page to this file")
    parser.add_argument("--quiet", action="store_true", help="measure without the load")
    options = parser.parse_args()
    folder = options.keep or tempfile.mkdtemp(prefix="kova-metrics-bench-")
    os.makedirs(folder, exist_ok=True)
    requests = os.path.join(folder, "reports.requests")
    seeded = os.path.exists(requests)
    server = kovarig.Server(os.path.abspath(options.server), folder, os.path.join(folder, "kova.db"),
                            ["--metrics-allow", "127.0.0.0/8"], enrolment="open")
    try:
        server.start()
        if not seeded:
            seed(server, options.computers, folder)
        quiet = measure(server, options.rounds)
        if options.page:
            save_page(server, options.page)
        if not options.quiet:
            loaded, reports = under_load(server, requests, options.rate, options.rounds)
        print(f"{options.computers} computers, median of {options.rounds} pages (time page: of "
              f"{options.rounds * 5}); load: " +
              ("none" if options.quiet else
               f"reports at {options.rate:g}/s asked, {reports.get('rate', 0):.0f}/s sent, answered in "
               f"p50 {reports.get('p50_ms', 0):.1f} ms, p99 {reports.get('p99_ms', 0):.1f} ms, "
               f"max {reports.get('max_ms', 0):.0f} ms while the pages were read"))
        print("| | /metrics ms | server CPU ms per page | time page ms (reference) | /metrics / time page | "
              "page MB |")
        print("|---|---|---|---|---|---|")
        print(line("quiet", quiet))
        if not options.quiet:
            print(line("reports arriving", loaded))
    finally:
        server.stop()
        if not options.keep:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
