#!/usr/bin/env python3
"""The production stack on loopback: PostgreSQL 15, two kova_server instances on one database and nginx with
the shipped site in front. Exits 77 (CTest's skip) with the reason only when PostgreSQL or nginx cannot
start here. Usage: test_stack.py SERVER_EXE TEST_EXE..."""

import concurrent.futures
import os
import resource
import socket
import ssl
import subprocess
import sys
import threading
import time

import fleet
import kovarig

SKIP = 77
AGENTS = 200
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * fraction))] if ordered else float("nan")


def source_address(index):
    """Each simulated agent speaks from its own loopback address, as agents of a fleet do."""
    return f"127.0.{1 + index // 250}.{1 + index % 250}"


def run_agent(stack, index, rounds):
    agent = fleet.Agent(f"STACK-{index:04d}", source_address(index))
    agent.connect("127.0.0.1", stack.nginx.https_port, tls=True)
    statuses = []
    for round_ in range(rounds):
        statuses.append(agent.settings()[0])
        statuses.append(agent.report(f"round-{round_}")[0])
    agent.connection.close()
    return statuses


def agents_through_nginx(stack):
    started = time.monotonic()
    with concurrent.futures.ThreadPoolExecutor(50) as pool:
        results = list(pool.map(lambda i: run_agent(stack, i, 2), range(AGENTS)))
    statuses = [s for r in results for s in r]
    check(all(s == 200 for s in statuses),
          f"{AGENTS} agents through nginx: {statuses.count(200)}/{len(statuses)} answered 200 "
          f"in {time.monotonic() - started:.1f} s")
    db = stack.postgres
    check(db.sql("kova", "SELECT COUNT(*) FROM computers WHERE name LIKE 'STACK-%'") == str(AGENTS),
          "every agent registered once")
    check(db.sql("kova", "SELECT COUNT(*) FROM reports WHERE \"sComputerName\" LIKE 'STACK-%'") == str(2 * AGENTS),
          "every report stored once")
    asked_from = db.sql("kova", "SELECT COUNT(DISTINCT asked_from) FROM enrolments "
                        "WHERE name LIKE 'STACK-%' AND asked_from LIKE '127.0.%' AND asked_from <> '127.0.0.1'") \
        if "enrolments" in db.sql("kova", "SELECT string_agg(tablename, ',') FROM pg_tables") else None
    if asked_from is not None:
        check(asked_from == str(AGENTS), f"the server saw each agent's own address through nginx ({asked_from})")


def same_answer_from_each_instance(stack):
    """Any instance answers for an agent another instance registered."""
    replies = []
    for server in stack.servers:
        agent = fleet.Agent("STACK-0000")
        agent.connect("127.0.0.1", server.port, tls=False)
        status, body, _ = agent.settings()
        replies.append((status, body))
    check(len(set(replies)) == 1, "both instances give the same settings reply for one computer")


def big_body_refused(stack):
    before = [kovarig.memory_kib(s.process.pid) for s in stack.servers]
    size = 300 * 1024 * 1024
    context = fleet.new_client_context()
    with socket.create_connection(("127.0.0.1", stack.nginx.https_port), timeout=10) as raw:
        with context.wrap_socket(raw) as tls:
            tls.sendall((f"POST {fleet.ENDPOINT} HTTP/1.1\r\nHost: localhost\r\nContent-Type: "
                         f"application/x-www-form-urlencoded\r\nContent-Length: {size}\r\n\r\n").encode())
            sent = 0
            chunk = b"x" * (1 << 20)
            tls.settimeout(0.2)
            reply = b""
            while sent < size:  # keep sending until nginx answers or closes
                try:
                    reply = tls.recv(4096)
                    if reply:
                        break
                except (socket.timeout, ssl.SSLWantReadError):
                    pass
                except OSError:
                    break
                try:
                    tls.sendall(chunk)
                    sent += len(chunk)
                except OSError:
                    break
            tls.settimeout(5)
            while not reply:
                try:
                    reply = tls.recv(4096)
                except OSError:
                    break
                if not reply:
                    break
    after = [kovarig.memory_kib(s.process.pid) for s in stack.servers]
    status = reply.split(b"\r\n", 1)[0].decode(errors="replace")
    check(" 413 " in status, f"300 MB body answered '{status}' after {sent // (1 << 20)} MB sent")
    growth = max(a - b for a, b in zip(after, before))
    check(growth < 4096, f"server RSS grew by at most {growth} KiB (before {before}, after {after} KiB)")


def exchanges_beside_idle_connections(stack):
    idle = []
    try:
        for i in range(1000):
            s = socket.socket()
            s.bind((source_address(300 + i % 700), 0))
            s.connect(("127.0.0.1", stack.nginx.https_port))
            idle.append(s)
        agent = fleet.Agent("STACK-IDLE", source_address(199))
        agent.connect("127.0.0.1", stack.nginx.https_port, tls=True)
        times = []
        statuses = []
        for round_ in range(100):
            for status, _, seconds in (agent.settings(), agent.report(f"idle-{round_}")):
                statuses.append(status)
                times.append(seconds)
        p99 = percentile(times, 0.99) * 1000
        check(all(s == 200 for s in statuses) and p99 < 100,
              f"1,000 idle connections open: {len(times)} exchanges, p50 {percentile(times, 0.5) * 1000:.1f} ms, "
              f"p99 {p99:.1f} ms (< 100 ms), all 200: {all(s == 200 for s in statuses)}")
    finally:
        for s in idle:
            s.close()


def reports_across(stack, prefix, strike, seconds_after):
    """30 agents report as fast as they are answered while `strike()` happens 2 s in. Returns the reports
    acknowledged, those stored, and each answer after the strike as (seconds since it, status)."""
    acknowledged, after, lock = [], [], threading.Lock()
    stop = threading.Event()
    struck_at = []

    def worker(index):
        agent = fleet.Agent(f"{prefix.upper()}-{index:03d}", source_address(index))
        agent.connect("127.0.0.1", stack.nginx.https_port, tls=True)
        agent.settings()
        sequence = 0
        while not stop.is_set():
            marker = f"{prefix}-{index}-{sequence}"
            sequence += 1
            status, _, _ = agent.report(marker)
            if status is None:
                agent.connect("127.0.0.1", stack.nginx.https_port, tls=True)
            with lock:
                if status == 200:
                    acknowledged.append(marker)
                if struck_at:
                    after.append((time.monotonic() - struck_at[0], status))
            time.sleep(0.05)

    threads = [threading.Thread(target=worker, args=(i,)) for i in range(30)]
    for t in threads:
        t.start()
    time.sleep(2)
    strike()
    struck_at.append(time.monotonic())
    time.sleep(seconds_after)
    stop.set()
    for t in threads:
        t.join()
    stored = stack.postgres.sql("kova", f"SELECT \"sMessage\" FROM reports WHERE \"sMessage\" LIKE '{prefix}-%'")
    return acknowledged, stored.split("\n"), after


def postgres_restart_under_reports(stack):
    """PostgreSQL restarts while agents report: both instances open their connections again on their own."""
    acknowledged, stored, after = reports_across(stack, "pgrestart", stack.postgres.restart, 8)
    missing = [m for m in acknowledged if m not in set(stored)]
    check(not missing and len(stored) == len(set(stored)),
          f"PostgreSQL restarted under reports: {len(acknowledged)} acknowledged, {len(missing)} of them missing, "
          f"{len(stored) - len(set(stored))} stored twice")
    late = [status for since, status in after if since > 5]
    failed = [status for status in late if status != 200]
    check(late and not failed,
          f"from 5 s after PostgreSQL was back: {len(late) - len(failed)} reports stored, failed with {failed[:10]}")


def kill_one_instance_under_load(stack):
    acknowledged, stored, after = reports_across(stack, "kill", stack.servers[0].kill, 4)
    missing = [m for m in acknowledged if m not in set(stored)]
    check(not missing, f"kill -9 of one instance under load: {len(acknowledged)} reports acknowledged, "
                       f"{len(missing)} of them missing")
    later = [status for since, status in after if since > 1]
    failed = [status for status in later if status != 200]
    check(later and not failed,
          f"agents went on through the other instance: {len(later) - len(failed)} reports after the kill, "
          f"{len(failed)} failed with {sorted(set(map(str, failed)))[:10]}")


def updates_served_statically(stack):
    payload = os.urandom(256 * 1024)
    for name, data in (("KOVA_Oru.exe", payload), ("KOVA_Oru.exe.sig", b"signature")):
        with open(os.path.join(stack.updates, name), "wb") as f:
            f.write(data)
        os.chmod(os.path.join(stack.updates, name), 0o644)
        agent = fleet.Agent("UPDATES")
        agent.connect("127.0.0.1", stack.nginx.https_port, tls=True)
        agent.connection.request("GET", f"/kova-oru/updates/{name}")
        response = agent.connection.getresponse()
        check(response.status == 200 and response.read() == data, f"nginx serves /kova-oru/updates/{name}")


def tls_only_forward_secret(stack):
    def handshake(ciphers):
        context = fleet.new_client_context()
        context.maximum_version = ssl.TLSVersion.TLSv1_2
        context.set_ciphers(ciphers)
        try:
            with socket.create_connection(("127.0.0.1", stack.nginx.https_port), timeout=5) as raw:
                with context.wrap_socket(raw):
                    return True
        except (ssl.SSLError, OSError):
            return False

    check(handshake("ECDHE-ECDSA-AES128-GCM-SHA256"), "TLS 1.2 with ECDHE and AES-GCM accepted")
    check(not handshake("ECDHE-ECDSA-AES128-SHA:AES128-SHA:AES128-GCM-SHA256"),
          "TLS 1.2 without forward secrecy or AEAD refused")


def newer_schema_refused(stack):
    db = stack.postgres
    db.create_database("newer")
    db.sql("newer", "CREATE TABLE schema_version (version INTEGER NOT NULL); INSERT INTO schema_version VALUES (999)")
    done = subprocess.run([stack.server_exe, "--port", "0", "--database", db.url("newer")],
                          capture_output=True, text=True, timeout=30)
    check(done.returncode == 1 and "newer than this server knows" in done.stderr,
          f"a database of a newer server refused: {done.stderr.strip()}")


def same_tests_on_postgres(stack, tests):
    environment = dict(os.environ, KOVA_TEST_POSTGRES=f"postgresql://kova@127.0.0.1:{stack.postgres.port}")
    for test in tests:
        done = subprocess.run([test], env=environment, capture_output=True, text=True, timeout=300)
        check(done.returncode == 0, f"{os.path.basename(test)} against PostgreSQL")
        if done.returncode != 0:
            print(done.stdout[-4000:], done.stderr[-2000:])


def main():
    server_exe, tests = sys.argv[1], sys.argv[2:]
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 8192)), hard))
    started = time.monotonic()
    stack = kovarig.Stack(server_exe, extra=["--report-interval", "0"])  # the simulated agents report at once
    try:
        try:
            stack.start()
        except kovarig.CannotStart as reason:
            print(f"SKIPPED: the stack cannot run here: {reason}")
            return SKIP
        check(True, f"PostgreSQL, 2 instances and nginx started in {time.monotonic() - started:.1f} s")
        newer_schema_refused(stack)
        tls_only_forward_secret(stack)
        updates_served_statically(stack)
        agents_through_nginx(stack)
        same_answer_from_each_instance(stack)
        big_body_refused(stack)
        exchanges_beside_idle_connections(stack)
        postgres_restart_under_reports(stack)
        kill_one_instance_under_load(stack)
        same_tests_on_postgres(stack, tests)
    except Exception as failure:  # a broken step still ends in close()
        check(False, f"step failed: {failure!r}")
        for server in stack.servers:
            print(server.read_log())
    finally:
        stack.close()
    print(f"stack test took {time.monotonic() - started:.1f} s; {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
