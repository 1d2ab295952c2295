#!/usr/bin/env python3
"""How many agents one kova_server takes in, driven by wrk (C, its own process): AGENTS distinct computers,
enrolled first under the open policy with their own keys, send their settings requests and their 67-key
reports flat out (or at a fixed rate), one route per wrk run. For each route: requests/s, p50/p99/max, errors,
and the server's processor time and memory over the run. In the same run the two references: the time page
through the same path (the HTTP layer alone), and the database floor (as many single-report transactions of
the same bytes, two statements each, straight into the same kind of database by a small program).

--stack runs nginx -> two (--instances) instances -> PostgreSQL 15 (fsync on) instead of one instance on SQLite; --kill
kills one instance (kill -9) half-way through the report run and then counts the reports acknowledged
against the reports stored. --mixed sends settings requests and reports in one run, each agent both in turn
as agents do, instead of one route per run; --steps then repeats that run at each of the given rates for
--step-seconds (the highest rate whose p99 stays under 100 ms is the fleet's sustained rate). Every process
started is stopped and its folder removed.

Usage: bench/bench_ingest.py SERVER_EXE [--agents N] [--connections C] [--threads T] [--seconds S]
                             [--rate R] [--stack [--instances N]] [--kill]
                             [--mixed [--steps R1,R2,.. --step-seconds S]]
                             (needs wrk: scripts/setup test-tools)"""

import argparse
import concurrent.futures
import datetime
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
from urllib.parse import quote

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path[:0] = [os.path.join(ROOT, folder) for folder in ("tests/stack", "tests/support", "scripts")]
import fleet  # noqa: E402
import kovarig  # noqa: E402

# The report keys that carry the settings back, in the order of the settings reply's pieces.
SETTINGS_KEYS = (["sLogFlag", "sSettingTime", "sSnoozeTime", "sManualReboot", "sAutoRebootTime", "sRebootTime"] +
                 [f"sDir{i}" for i in range(1, 11)] + [f"sAlert{i}" for i in range(1, 11)] + ["sDisable", "sCheckUpdate"])
LUA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ingest_requests.lua")
TICKS = os.sysconf("SC_CLK_TCK")


def processor_seconds(pids):
    """{pid: user + system time so far, in seconds} of those of these processes still running."""
    spent = {}
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                fields = stat.read().rpartition(")")[2].split()
        except FileNotFoundError:
            continue  # killed on purpose: its time counts no more
        spent[pid] = (int(fields[11]) + int(fields[12])) / TICKS
    return spent


def enrol_one(index, host, port, tls):
    group = index // 25
    agent = fleet.Agent(f"BENCH{index:06d}", f"127.{1 + group // 62500}.{(group // 250) % 250}.{1 + group % 250}")
    agent.connect(host, port, tls)
    status, reply, _ = agent.settings()
    agent.connection.close()
    if status != 200 or not agent.key:
        raise RuntimeError(f"{agent.name} was not enrolled: {status}")
    agent.pieces = reply.decode().split(", ")
    return agent


def enrol(agents, host, port, tls):
    """Each agent's settings request under the open policy: it is registered and keeps the key issued. The
    server admits a few new names a minute per address, so they come from addresses of their own (25 each,
    so no address is asked for more within a minute however fast the fleet enrols). Several at once: a
    fleet of 100,000 one after the other would take longer than the runs it is enrolled for."""
    with concurrent.futures.ThreadPoolExecutor(max_workers=16) as pool:
        return list(pool.map(lambda index: enrol_one(index, host, port, tls), range(agents)))


def general_form(moment):
    """A moment as the agent writes it (M/d/yyyy h:mm:ss AM)."""
    hour = moment.hour % 12 or 12
    return (f"{moment.month}/{moment.day}/{moment.year} {hour}:{moment.minute:02d}:{moment.second:02d} "
            f"{'AM' if moment.hour < 12 else 'PM'}")


def report_body(agent):
    """The agent's report as a real agent sends it: the settings it was given come back as they were, its
    clock stamps are in its general form."""
    values = dict(zip(fleet.KEYS, fleet.report_body(agent.name, "").decode().split("&")))
    values = {key: pair.partition("=")[2] for key, pair in values.items()}
    now = general_form(datetime.datetime.now())
    values.update(sMessage=f"bench report of {agent.name}", sLogTime=now, sMessageDate=now,
                  **dict(zip(SETTINGS_KEYS, agent.pieces)))
    return "&".join(f"{key}={quote(values[key], safe='')}" for key in fleet.KEYS)


def write_requests(folder, agents, kind):
    """One line per request: the agent's key, a tab, the body. "mixed": each agent's settings request and
    then its report, as an agent sends them each cycle."""
    kinds = ["settings", "reports"] if kind == "mixed" else [kind]
    path = os.path.join(folder, f"{kind}.requests")
    with open(path, "w") as file:
        for agent in agents:
            for each in kinds:
                body = f"servercode={agent.name}" if each == "settings" else report_body(agent)
                file.write(f"{agent.key}\t{body}\n")
    return path


def wrk(url, arguments, seconds, threads, connections, script_args=()):
    command = ["wrk", f"-t{threads}", f"-c{connections}", f"-d{seconds}s", "--timeout", "10s"]
    command += ["-s", LUA, url, "--", *(script_args or ("", "", "0"))]
    done = subprocess.run(command, capture_output=True, text=True, timeout=seconds + 120)
    found = re.search(r"RESULT (.*)", done.stdout)
    if not found:
        raise RuntimeError(f"wrk gave no result: {done.stdout}{done.stderr}")
    result = {key: float(value) for key, value in re.findall(r"(\w+)=([\d.]+)", found.group(1))}
    result["rate"] = result["requests"] / (result["duration_us"] / 1e6)
    return result


def measured(pids, run):
    """Runs `run`, adding the servers' processor share and peak memory to its result."""
    before, started = processor_seconds(pids), time.monotonic()
    result = run()
    after = processor_seconds(pids)
    spent = sum(after[pid] - before[pid] for pid in after if pid in before)
    result["cpu"] = spent / (time.monotonic() - started)
    result["cpu_us"] = spent * 1e6 / max(result["requests"], 1)
    result["rss_mib"] = sum(kovarig.memory_kib(pid, "VmHWM") for pid in after) / 1024
    return result


def database_floor(folder, commits, body):
    """Single-report transactions per second straight into SQLite, set up as the server sets it up (WAL,
    synchronous NORMAL): the latest-status upsert and the history insert of the same body."""
    path = os.path.join(folder, "floor.db")
    db = sqlite3.connect(path, isolation_level=None)
    db.execute("PRAGMA journal_mode = WAL")
    db.execute("PRAGMA synchronous = NORMAL")
    db.execute("CREATE TABLE latest (name TEXT PRIMARY KEY, at TEXT, body TEXT)")
    db.execute("CREATE TABLE history (id INTEGER PRIMARY KEY, name TEXT, at TEXT, body TEXT)")
    started = time.perf_counter()
    for index in range(commits):
        name, at = f"BENCH{index % 2000:06d}", str(index)
        db.execute("BEGIN")
        db.execute("INSERT OR REPLACE INTO latest VALUES (?, ?, ?)", (name, at, body))
        db.execute("INSERT INTO history (name, at, body) VALUES (?, ?, ?)", (name, at, body))
        db.execute("COMMIT")
    rate = commits / (time.perf_counter() - started)
    db.close()
    return rate


def stored_reports(stack):
    return int(stack.postgres.sql("kova", "SELECT count(*) FROM reports"))


def commit_groups(servers):
    """How many agents' requests shared each commit, over the instances still answering: the number of
    commits, their mean size and the smallest bucket bound that holds them all."""
    commits, requests, largest = 0, 0.0, 0.0
    for server in servers:
        page = server.metrics()
        count = page.get("kova_exchange_commit_group_size_count", 0)
        commits += count
        requests += page.get("kova_exchange_commit_group_size_sum", 0)
        bounds = sorted(float(name.split('"')[1]) for name, value in page.items()
                        if name.startswith("kova_exchange_commit_group_size_bucket{le=") and "+Inf" not in name
                        and value >= count)
        largest = max(largest, bounds[0] if bounds else float("inf"))
    if commits:
        print(f"commits: {commits:,.0f}, {requests / commits:.1f} requests each on average, "
              f"none over {largest:g}", flush=True)


def row(route, result):
    return (f"| {route} | {result['rate']:,.0f} | {result['p50_ms']:.2f} | {result['p99_ms']:.2f} | "
            f"{result['max_ms']:.1f} | {result['status_errors']:.0f} / {result['socket_errors']:.0f} | "
            f"{result['cpu'] * 100:.0f} % | {result['cpu_us']:.0f} | {result['rss_mib']:.0f} |")


def header(options, stack):
    print(f"{options.agents} agents, wrk {options.threads} thread(s) x {options.connections} connections, "
          f"{options.seconds} s per route, " + (f"{options.rate:g} requests/s" if options.rate else
                                                 "flat out") +
          (f", nginx -> {options.instances} instances -> PostgreSQL (fsync on)" if stack else
           ", one instance on SQLite"))
    print("| route | requests/s | p50 ms | p99 ms | max ms | non-2xx / socket errors | server CPU | "
          "server CPU µs/request | server peak RSS MiB |")
    print("|---|---|---|---|---|---|---|---|---|", flush=True)


def delay_ms(connections, rate, latency_ms=0.0):
    """wrk's pause between one connection's requests for `rate` requests/s in all (0: flat out). A
    connection waits for each answer before its pause, so the answer's usual latency is taken off it."""
    return str(max(0.0, 1000.0 * connections / rate - latency_ms)) if rate else "0"


def run_mixed(options, folder, agents, pids, exchange, shape):
    """The fleet as agents load it: one run at --rate, then one per step rate; the step table ends with the
    highest rate whose p99 stayed under 100 ms."""
    requests = write_requests(folder, agents, "mixed")

    def paced(seconds, rate, latency_ms):
        return measured(pids, lambda: wrk(exchange, None, **dict(shape, seconds=seconds), script_args=(
            requests, kovarig.EXCHANGE_PATH, delay_ms(options.connections, rate, latency_ms))))

    probe = paced(15, options.rate, 0.0)  # the latency at about this rate, to pace the run itself
    print(row("mixed, probe of the latency", probe), flush=True)
    fleet_run = paced(options.seconds, options.rate, probe["p50_ms"])
    print(row(f"settings and reports, mixed, asked {options.rate:g}/s", fleet_run), flush=True)
    sustained, latency = None, fleet_run["p50_ms"]
    for rate in options.steps:
        step = paced(options.step_seconds, rate, latency)
        latency = step["p50_ms"]
        print(row(f"mixed, asked {rate:g}/s", step), flush=True)
        if step["p99_ms"] < 100 and step["status_errors"] + step["socket_errors"] == 0:
            sustained = max(sustained or 0, step["rate"])
    if options.steps:
        print(f"highest sustained rate with p99 < 100 ms and no errors: "
              + (f"{sustained:,.0f} requests/s" if sustained else "none of the steps"), flush=True)


def run_routes(options, folder, agents, pids, exchange, shape):
    """One route per run: settings requests, then reports; returns the reports' result."""
    delay = delay_ms(options.connections, options.rate)
    settings = measured(pids, lambda: wrk(exchange, None, **shape, script_args=(
        write_requests(folder, agents, "settings"), kovarig.EXCHANGE_PATH, delay)))
    print(row("settings request", settings), flush=True)
    reports = measured(pids, lambda: wrk(exchange, None, **shape, script_args=(
        write_requests(folder, agents, "reports"), kovarig.EXCHANGE_PATH, delay)))
    print(row("status report", reports), flush=True)
    return reports


def run_kill(options, folder, agents, stack, exchange, shape):
    """Reports while one instance is killed (kill -9) half-way (through a run of --step-seconds with --mixed):
    every acknowledged report must be stored."""
    pids = [s.process.pid for s in stack.servers]
    arguments = (write_requests(folder, agents, "reports"), kovarig.EXCHANGE_PATH,
                 delay_ms(options.connections, options.rate))
    seconds = options.step_seconds if options.mixed else options.seconds
    before = stored_reports(stack)
    killer = threading.Timer(seconds / 2, stack.servers[0].kill)
    killer.start()
    reports = measured(pids, lambda: wrk(exchange, None, **dict(shape, seconds=seconds), script_args=arguments))
    print(row("status report, one instance killed", reports))
    acknowledged = reports["requests"] - reports["status_errors"]
    stored = stored_reports(stack) - before
    print(f"kill -9 of one instance after {seconds / 2:g} s: {acknowledged:.0f} reports "
          f"acknowledged (2xx), {stored} stored, {max(0, acknowledged - stored):.0f} missing")


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("server")
    parser.add_argument("--agents", type=int, default=2000)
    parser.add_argument("--connections", type=int, default=8)
    parser.add_argument("--threads", type=int, default=1)
    parser.add_argument("--seconds", type=int, default=8)
    parser.add_argument("--rate", type=float, default=0, help="requests/s in all (default: flat out)")
    parser.add_argument("--stack", action="store_true")
    parser.add_argument("--kill", action="store_true")
    parser.add_argument("--instances", type=int, default=2, help="with --stack: server instances behind nginx")
    parser.add_argument("--mixed", action="store_true")
    parser.add_argument("--steps", type=lambda text: [float(rate) for rate in text.split(",")], default=[])
    parser.add_argument("--step-seconds", type=int, default=90)
    options = parser.parse_args()
    if options.kill and not options.stack:
        parser.error("--kill needs --stack")
    return options


def main():
    options = parse_options()
    folder = tempfile.mkdtemp(prefix="kova-ingest-bench-")
    stack = server = None
    try:
        if options.stack:
            stack = kovarig.Stack(os.path.abspath(options.server), count=options.instances, fsync=True,
                                  extra=["--report-interval", "0", "--metrics-allow", "127.0.0.1"])
            stack.start()
            host, port, tls, pids = "127.0.0.1", stack.nginx.https_port, True, [
                s.process.pid for s in stack.servers]
            base = f"https://127.0.0.1:{port}"
        else:
            server = kovarig.Server(os.path.abspath(options.server), folder, os.path.join(folder, "kova.db"),
                                    ["--report-interval", "0", "--metrics-allow", "127.0.0.1"], enrolment="open")
            server.start()
            host, port, tls, pids, base = "127.0.0.1", server.port, False, [server.process.pid], server.url
        started = time.monotonic()
        agents = enrol(options.agents, host, port, tls)
        print(f"{options.agents} agents enrolled in {time.monotonic() - started:.0f} s", flush=True)
        shape = dict(seconds=options.seconds, threads=options.threads, connections=options.connections)
        exchange = base + kovarig.EXCHANGE_PATH
        header(options, stack)
        # Flat out: with --mixed as long as a step, not the whole fleet run.
        time_shape = dict(shape, seconds=options.step_seconds) if options.mixed else shape
        time_page = measured(pids, lambda: wrk(base + kovarig.TIME_PATH, None, **time_shape))
        print(row("time page (reference)", time_page), flush=True)
        if options.mixed:
            run_mixed(options, folder, agents, pids, exchange, shape)
        else:
            reports = run_routes(options, folder, agents, pids, exchange, shape)
            if not stack:
                floor = database_floor(folder, max(2000, min(int(reports["requests"]), 50000)),
                                       report_body(agents[0]))
                print(f"database floor: {floor:,.0f} single-report commits/s; reports/floor "
                      f"{reports['rate'] / floor:.2f}; reports/time page {reports['rate'] / time_page['rate']:.2f}")
        commit_groups(stack.servers if stack else [server])
        if options.kill:
            run_kill(options, folder, agents, stack, exchange, shape)
    finally:
        if stack:
            stack.close()
        if server:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
