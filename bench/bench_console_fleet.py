#!/usr/bin/env python3
"""The fleet page at 10,000 computers: how long the first page takes to be served and drawn in Chromium.

Run by hand after a build:  /usr/bin/python3 bench/bench_console_fleet.py [build]
Seeds a fresh server with 10,000 computers through the agents' own exchange (open enrolment: a settings
request that hands out the key, then a report carrying it; a tenth of them alerting),
then prints the median of the API's list route and of the page from navigation start to the drawn table.
"""
import http.client
import json
import statistics
import sys
import tempfile
import time
from pathlib import Path
from urllib.parse import urlencode

ROOT = Path(__file__).resolve().parent.parent
sys.path[:0] = [str(ROOT / "tests" / "browser"), str(ROOT / "tests" / "support"), str(ROOT / "scripts")]
import headless_chromium  # noqa: E402
from kovarig import Server  # noqa: E402

COMPUTERS = 10_000
ROUNDS = 10
NAMES_PER_ADDRESS = 25
AGENT_KEY_HEADER = "X-Kova-Agent-Key"


def report(k):
    alert = "1" if k % 10 == 0 else "0"
    fields = {"sComputerName": f"BENCH-{k:05d}", "sIP": "10.0.0.1", "sOS": "Microsoft Windows XP",
              "sOSVersion": "Service Patch: 3", "sORUVersion": "2.2.2", "sRebootTime": "", "sAutoRebootTime": "0",
              "sManualReboot": "", "sSnoozeTime": "0", "sSettingTime": "10", "sCheckUpdate": "2030-01-01_00:00:00"}
    fields.update({f"sDir{s}": "C:\\in" if s == 1 else "" for s in range(1, 11)})
    fields.update({f"sAlert{s}": "10" if s == 1 else "" for s in range(1, 11)})
    fields.update({"sLogFlag": "0", "sLogTime": "", "sLastMessageDate": "", "sAlertStatus": alert, "sDisable": "0"})
    fields.update({f"sDisk{d}": "C:\\" if d == 1 else "" for d in range(1, 5)})
    fields.update({"sDiskSpace1": str(100_000 + k), "sdiskspace2": "", "sDiskSpace3": "", "sDiskSpace4": ""})
    for s in range(1, 11):
        fields.update({f"sCount{s}": "12" if s == 1 and alert == "1" else "0", f"sSize{s}": "0"})
    fields.update({"sMessage": "System_OK.", "sMessageDate": "", "sAlert": alert})
    # The agent's own encoding: blanks already turned into "_", nothing escaped.
    return "&".join(f"{key}={value}" for key, value in fields.items())


def exchange(connection, body, key=None):
    headers = {"Content-Type": "application/x-www-form-urlencoded"}
    if key:
        headers["Authorization"] = f"Bearer {key}"
    connection.request("POST", "/kova-oru/process_servers.asp", body=body, headers=headers)
    reply = connection.getresponse()
    reply.read()
    return reply


def seed(server):
    host, port = server.url.removeprefix("http://").split(":")
    started = time.monotonic()
    connection = None
    for k in range(COMPUTERS):
        # The server takes only so many new names a minute from one address; loopback has plenty of them.
        if k % NAMES_PER_ADDRESS == 0:
            block = k // NAMES_PER_ADDRESS
            connection = http.client.HTTPConnection(
                host, int(port), source_address=(f"127.1.{block // 250}.{block % 250 + 1}", 0))
        key = exchange(connection, f"servercode=BENCH-{k:05d}").getheader(AGENT_KEY_HEADER)
        reply = exchange(connection, report(k), key)
        assert reply.status == 200, (k, reply.status)
    print(f"seeded {COMPUTERS} computers in {time.monotonic() - started:.1f} s")


def api_list_ms(server, cookie):
    host, port = server.url.removeprefix("http://").split(":")
    connection = http.client.HTTPConnection(host, int(port))
    times = []
    for _ in range(ROUNDS * 2):
        started = time.perf_counter()
        connection.request("GET", "/api/v1/computers?page=1", headers={"Cookie": cookie})
        reply = connection.getresponse()
        body = reply.read()
        times.append((time.perf_counter() - started) * 1000)
        assert reply.status == 200, body
    return statistics.median(times), json.loads(body)["total"]


def page_ms(browser, server):
    times = []
    for _ in range(ROUNDS):
        browser.get(f"{server.url}/console/console.html?view=fleet")
        drawn = None
        for _ in range(200):
            drawn = browser.execute_script("return document.body.dataset.drawnMs")
            if drawn:
                break
            time.sleep(0.025)
        times.append(float(drawn))
    return statistics.median(times), max(times)


def main():
    build = Path(sys.argv[1] if len(sys.argv) > 1 else "build")
    work = Path(tempfile.mkdtemp(prefix="kova-bench-fleet-"))
    server = Server(str(build / "bin" / "kova_server"), work, work / "kova-server.sqlite", enrolment="open")
    server.add_operator("bench", "bench-password", "admin")
    server.start()
    browser = None
    try:
        seed(server)
        browser = headless_chromium.start(work)
        browser.get(f"{server.url}/console/")
        browser.find_element("id", "name").send_keys("bench")
        browser.find_element("id", "password").send_keys("bench-password")
        browser.find_element("id", "login-button").click()
        time.sleep(1)
        cookie = "; ".join(f"{c['name']}={c['value']}" for c in browser.get_cookies())
        api_median, total = api_list_ms(server, cookie)
        page_median, page_worst = page_ms(browser, server)
        headless_chromium.screenshot(browser, build / "test-output" / "console-fleet-10000.png")
        print(f"fleet of {total}: GET /api/v1/computers?page=1 median {api_median:.1f} ms; "
              f"fleet page served and drawn (navigation start to the table on screen) median {page_median:.0f} ms, "
              f"worst {page_worst:.0f} ms of {ROUNDS}")
    finally:
        if browser:
            browser.quit()
        server.stop()


if __name__ == "__main__":
    main()
