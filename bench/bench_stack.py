#!/usr/bin/env python3
"""The fleet through nginx with two instances on PostgreSQL against the same load straight to one instance on
SQLite, and the server's peak memory under the front-server attacks, through nginx and direct.

Usage: bench/bench_stack.py BUILD_DIR [--agents N] [--rate R] [--seconds S] [--skip-attacks]
100,000 agents on a 10-minute cycle are 333 requests/s (settings request plus report): in 60 s about 10,000
of them exchange, so that many agents, each with its own key, are enrolled first and then replayed at the
rate. Everything started is stopped at the end."""

import argparse
import os
import queue
import resource
import socket
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path[:0] = [os.path.join(ROOT, folder) for folder in ("tests/stack", "tests/support", "scripts")]
import fleet  # noqa: E402
import kovarig  # noqa: E402


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(len(ordered) * fraction))] if ordered else float("nan")


def source_address(index):
    return f"127.{1 + index // 62500}.{(index // 250) % 250}.{1 + index % 250}"


def run_fleet(port, agents, rate, seconds, workers=48):
    """Enrols `agents`, then has them exchange (settings request and report on a new connection, as the
    agent does each cycle) at `rate` requests/s for `seconds`."""
    pool = [fleet.Agent(f"FLEET-{i:06d}", source_address(i)) for i in range(agents)]
    jobs = queue.Queue()
    results = []
    lock = threading.Lock()

    def exchange(agent, due, enrol):
        delay = due - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        agent.connect("127.0.0.1", port, tls=True)
        done = [agent.settings()] if enrol else [agent.settings(), agent.report("bench")]
        agent.connection.close()
        with lock:
            results.extend((status, took) for status, _, took in done)

    def worker():
        while True:
            job = jobs.get()
            if job is None:
                return
            exchange(*job)

    threads = [threading.Thread(target=worker, daemon=True) for _ in range(workers)]
    for t in threads:
        t.start()
    for agent in pool:  # enrolment, as fast as it goes: every agent gets its own key
        jobs.put((agent, 0, True))
    while len(results) < agents:
        time.sleep(0.2)
    enrol_errors = sum(1 for r in results if r[0] != 200)
    results.clear()
    start = time.monotonic() + 0.5
    exchanges = int(rate * seconds / 2)
    for n in range(exchanges):
        jobs.put((pool[n % agents], start + 2 * n / rate, False))
    for _ in threads:
        jobs.put(None)
    for t in threads:
        t.join()
    elapsed = max(time.monotonic() - start, 1e-9)
    times = [r[1] for r in results]
    return {"agents": agents, "enrol_errors": enrol_errors, "requests": len(results),
            "errors": sum(1 for r in results if r[0] != 200), "achieved_rate": round(len(results) / elapsed, 1),
            "p50_ms": round(percentile(times, 0.5) * 1000, 1), "p99_ms": round(percentile(times, 0.99) * 1000, 1)}


def attack_peak_rss(port, tls, pids, updates_size):
    """Runs the attacks against `port` and returns the peak RSS (VmHWM, MiB) of each process in `pids`."""
    context = fleet.client_context()

    def connect():
        raw = socket.create_connection(("127.0.0.1", port), timeout=30)
        return context.wrap_socket(raw) if tls else raw

    def big_body(size, chunk=1 << 20):
        try:
            with connect() as s:
                s.sendall((f"POST {fleet.ENDPOINT} HTTP/1.1\r\nHost: x\r\nContent-Type: "
                           f"application/x-www-form-urlencoded\r\nContent-Length: {size}\r\n\r\n").encode())
                data = b"x" * chunk
                for _ in range(size // chunk):
                    s.sendall(data)
                s.recv(100)
        except OSError:
            pass

    def download():
        agent = fleet.Agent("DL")
        agent.connect("127.0.0.1", port, tls)
        try:
            agent.connection.request("GET", "/kova-oru/updates/KOVA_Oru.exe")
            agent.connection.getresponse().read()
        except OSError:
            pass

    # One after the other, as they were measured against the server alone.
    big_body(300 << 20)
    idle = []
    for _ in range(1065):  # a server out of descriptors stops accepting: count what got in
        try:
            idle.append(socket.create_connection(("127.0.0.1", port), timeout=2))
        except OSError:
            break
    print(f"  {len(idle)} of 1065 idle connections opened", flush=True)
    time.sleep(2)
    for s in idle:
        s.close()
    for attack in ([threading.Thread(target=big_body, args=(20 << 20,)) for _ in range(3)],
                   [threading.Thread(target=download) for _ in range(100)]):
        for t in attack:
            t.start()
        for t in attack:
            t.join()
    return [round(kovarig.memory_kib(pid, "VmHWM") / 1024, 1) for pid in pids]


def direct_server(build, folder, updates):
    cert, key = kovarig.make_certificate(folder)
    server = kovarig.Server(os.path.join(build, "bin", "kova_server"), folder, os.path.join(folder, "direct.sqlite"),
                            ["--tls-cert", cert, "--tls-key", key, "--updates", updates, "--report-interval", "0"],
                            enrolment="open")
    server.start()
    return server


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--agents", type=int, default=10000)
    parser.add_argument("--rate", type=float, default=333)
    parser.add_argument("--seconds", type=float, default=60)
    parser.add_argument("--skip-attacks", action="store_true")
    args = parser.parse_args()
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    exe = os.path.join(args.build, "bin", "kova_server")
    update = os.urandom(20 << 20)

    stack = kovarig.Stack(exe, fsync=True, extra=["--report-interval", "0"])  # agents report back to back
    folder = tempfile.mkdtemp(prefix="kova-direct-")
    direct = None
    try:
        stack.start()
        with open(os.path.join(stack.updates, "KOVA_Oru.exe"), "wb") as f:
            f.write(update)
        os.chmod(os.path.join(stack.updates, "KOVA_Oru.exe"), 0o644)
        through = run_fleet(stack.nginx.https_port, args.agents, args.rate, args.seconds)
        print("nginx + 2 instances + PostgreSQL:", through, flush=True)
        direct = direct_server(args.build, folder, stack.updates)
        straight = run_fleet(direct.port, args.agents, args.rate, args.seconds)
        print("one instance on SQLite, direct:  ", straight, flush=True)
        print(f"ratio through/direct: p50 {through['p50_ms'] / straight['p50_ms']:.2f}, p99 {through['p99_ms'] / straight['p99_ms']:.2f}")
        if not args.skip_attacks:
            pids = [s.process.pid for s in stack.servers]
            print("attacks through nginx: peak RSS MiB, instances", attack_peak_rss(
                stack.nginx.https_port, True, pids, len(update)),
                "nginx workers", [round(kovarig.memory_kib(p, "VmHWM") / 1024, 1) for p in stack.nginx.worker_pids()])
            print("attacks direct: peak RSS MiB", attack_peak_rss(direct.port, True, [direct.process.pid],
                                                                   len(update)))
    finally:
        if direct:
            direct.stop()
        stack.close()
        subprocess.run(["rm", "-rf", folder])


if __name__ == "__main__":
    main()
