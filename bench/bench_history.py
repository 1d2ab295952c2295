#!/usr/bin/env python3
"""A computer's history over long ranges: GET /api/v1/computers/NAME/history for a day, a month and a year
of a computer that reported every five minutes for a year (105,120 reports), against the time page measured
in the same run and the same way.

The computer enrols and reports once through the agents' exchange; its report is then copied back in time
in the database (the server's clock cannot be moved from outside), each copy with its own count and free
space. Each figure is the median of ROUNDS requests on one client.

Usage: bench/bench_history.py SERVER_EXE [--rounds K]"""

import argparse
import http.client
import json
import os
import shutil
import sqlite3
import statistics
import sys
import tempfile
import time
from datetime import datetime, timedelta

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path[:0] = [os.path.join(ROOT, folder) for folder in ("tests/stack", "tests/support", "scripts")]
import fleet  # noqa: E402
import kovarig  # noqa: E402

COMPUTER = "HISTORY-BENCH"
REPORT_MINUTES = 5
DAYS = 365


def seed(server, database):
    agent = fleet.Agent(COMPUTER)
    agent.connect("127.0.0.1", server.port, False)
    for status, _, _ in (agent.settings(), agent.report("System_OK.")):
        assert status == 200, status
    agent.connection.close()
    with sqlite3.connect(database, timeout=30) as db:
        columns = [row[1] for row in db.execute("PRAGMA table_info(reports)") if row[1] not in ("id", "received_at")]
        varied = {"sCount1": ":count", "sDiskSpace1": ":free", "sDir1": "'C:\\in'", "sAlert1": "'100'"}
        newest, received = db.execute("SELECT id, received_at FROM reports ORDER BY id DESC LIMIT 1").fetchone()
        statement = (f"INSERT INTO reports (received_at, {', '.join(f'{chr(34)}{c}{chr(34)}' for c in columns)}) "
                     f"SELECT :at, {', '.join(varied.get(c, f'{chr(34)}{c}{chr(34)}') for c in columns)} "
                     f"FROM reports WHERE id = :id")
        latest = datetime.fromisoformat(received)
        steps = DAYS * 24 * 60 // REPORT_MINUTES
        db.executemany(statement, ({"at": (latest - timedelta(minutes=REPORT_MINUTES * (steps - k))).isoformat(
            timespec="milliseconds"), "count": str(k % 120), "free": str(100000 + k), "id": newest}
            for k in range(steps)))
        return db.execute('SELECT COUNT(*) FROM reports WHERE "sComputerName" = ?', (COMPUTER,)).fetchone()[0]


def median_ms(port, path, headers, rounds):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=60)
    times, body = [], b""
    for _ in range(rounds):
        started = time.perf_counter()
        connection.request("GET", path, headers=headers)
        reply = connection.getresponse()
        body = reply.read()
        times.append((time.perf_counter() - started) * 1000)
        if reply.status != 200:
            raise RuntimeError(f"{path} answered {reply.status}: {body[:200]!r}")
    connection.close()
    return statistics.median(times), body


def log_in(port, name, password):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    connection.request("POST", "/api/v1/session", json.dumps({"name": name, "password": password}),
                       {"Content-Type": "application/json"})
    reply = connection.getresponse()
    reply.read()
    return reply.getheader("Set-Cookie").split(";")[0]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("server")
    parser.add_argument("--rounds", type=int, default=9)
    options = parser.parse_args()
    folder = tempfile.mkdtemp(prefix="kova-history-bench-")
    database = os.path.join(folder, "kova.db")
    server = kovarig.Server(os.path.abspath(options.server), folder, database, enrolment="open")
    try:
        server.add_operator("bench", "bench-password", "viewer")
        server.start()
        reports = seed(server, database)
        cookie = {"Cookie": log_in(server.port, "bench", "bench-password")}
        reference, _ = median_ms(server.port, kovarig.TIME_PATH, {}, options.rounds * 5)
        print(f"{reports:,} reports over {DAYS} days, one every {REPORT_MINUTES} min; median of {options.rounds}")
        print("| range | history ms | time page ms (reference) | history / time page | points per line |")
        print("|---|---|---|---|---|")
        now = datetime.utcnow()
        for label, days in (("1 day", 1), ("30 days", 30), ("365 days", DAYS)):
            start = (now - timedelta(days=days)).strftime("%Y-%m-%dT%H:%M:%SZ")
            ms, body = median_ms(server.port, f"/api/v1/computers/{COMPUTER}/history?from={start}", cookie,
                                 options.rounds)
            points = len(json.loads(body)["folders"][0]["points"])
            print(f"| {label} | {ms:.0f} | {reference:.2f} | {ms / reference:,.0f} | {points} |")
    finally:
        server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
