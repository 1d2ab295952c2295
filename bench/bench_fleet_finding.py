#!/usr/bin/env python3
"""Finding computers on the fleet page at 10,000 computers: filtered, searched and sorted pages, as the API
serves them and as Chromium draws them.

Run by hand after a build:  /usr/bin/python3 bench/bench_fleet_finding.py [build] [computers]
Seeds a fresh server through the agents' own exchange (a tenth alerting; three systems, twelve agent versions,
an address and a folder of their own each). Each route is asked ROUNDS times, one request at a time over
loopback, beside the agents' time page in the same run: the ratio route/time page is the route's own work
over what any request costs on this machine. Then the page, from navigation start to the table on screen.
"""
import http.client
import json
import statistics
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path[:0] = [str(ROOT / "tests" / "browser"), str(ROOT / "tests" / "support"), str(ROOT / "scripts")]
import headless_chromium  # noqa: E402
from fleet_seed import report_fields, seed  # noqa: E402
from kovarig import TIME_PATH, Server  # noqa: E402

ROUNDS = 20
PAGE_ROUNDS = 10
SYSTEMS = ["Linux", "Windows11", "macOS"]
QUERIES = [
    ("every computer, by state", ""),
    ("alert chip, by name", "state=alert&sort=name"),
    ("search an OS, by free disk, 200", "search=windows11&sort=freeDisk&order=desc&size=200"),
    ("search an address, by last report", "search=10.0.3&sort=lastReport"),
    ("by version, 1000 a page, page 5", "sort=version&size=1000&page=5"),
    ("search a folder, by OS, last page", "search=queue1&sort=os&page=1000000"),
]


def fleet(count):
    return [report_fields(f"BENCH-{k:05d}", alerting=k % 10 == 0, sOS=SYSTEMS[k % 3],
                          sIP=f"10.0.{k // 250}.{k % 250}", sORUVersion=f"2.{k % 12}.{k % 7}",
                          sDir1=f"C:\\queue{k}", sDiskSpace1=str(100_000 + k * 37 % 9_000)) for k in range(count)]


def median_ms(connection, path, headers):
    times = []
    for _ in range(ROUNDS):
        started = time.perf_counter()
        connection.request("GET", path, headers=headers)
        reply = connection.getresponse()
        body = reply.read()
        times.append((time.perf_counter() - started) * 1000)
        assert reply.status == 200, (path, reply.status, body[:200])
    return statistics.median(times), body


def log_in(connection, name, password):
    connection.request("POST", "/api/v1/session", body=json.dumps({"name": name, "password": password}),
                       headers={"Content-Type": "application/json"})
    reply = connection.getresponse()
    reply.read()
    assert reply.status == 200, reply.status
    return reply.getheader("Set-Cookie").split(";")[0]


def drawn_ms(browser, address):
    times = []
    for _ in range(PAGE_ROUNDS):
        browser.get(address)
        drawn = None
        for _ in range(400):
            drawn = browser.execute_script("return document.body.dataset.drawnMs")
            if drawn:
                break
            time.sleep(0.025)
        times.append(float(drawn))
    return statistics.median(times), max(times)


def main():
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build")
    computers = int(sys.argv[2]) if len(sys.argv) > 2 else 10_000
    work = Path(tempfile.mkdtemp(prefix="kova-bench-finding-"))
    server = Server(str(build / "bin" / "kova_server"), work, work / "kova-server.sqlite", enrolment="open")
    server.add_operator("bench", "bench-password", "viewer")
    server.start()
    browser = None
    try:
        started = time.monotonic()
        seed(server.url, fleet(computers))
        print(f"seeded {computers} computers in {time.monotonic() - started:.0f} s")
        host, port = server.url.removeprefix("http://").split(":")
        connection = http.client.HTTPConnection(host, int(port))
        cookie = log_in(connection, "bench", "bench-password")
        reference, _ = median_ms(connection, TIME_PATH, {})
        print(f"{'route':40} {'median ms':>10} {'/time page':>11} {'found':>7}")
        print(f"{'time page (reference)':40} {reference:10.2f} {1:11.1f}")
        for name, query in QUERIES:
            taken, body = median_ms(connection, f"/api/v1/computers?{query}", {"Cookie": cookie})
            print(f"{name:40} {taken:10.2f} {taken / reference:11.1f} {json.loads(body)['total']:7}")
        browser = headless_chromium.start(work)
        browser.get(f"{server.url}/console/")
        browser.add_cookie({"name": cookie.split("=")[0], "value": cookie.split("=", 1)[1]})
        for name, query in QUERIES[1:3] + QUERIES[4:5]:
            median, worst = drawn_ms(browser, f"{server.url}/console/console.html?view=fleet&{query}")
            print(f"page drawn, {name}: median {median:.0f} ms, worst {worst:.0f} ms of {PAGE_ROUNDS}")
        headless_chromium.screenshot(browser, build / "test-output" / "console-fleet-finding-10000.png")
    finally:
        if browser:
            browser.quit()
        server.stop()


if __name__ == "__main__":
    main()
