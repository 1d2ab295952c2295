#!/usr/bin/env python3
"""kova_server's own HTTP edge, exposed straight on loopback without a front server: body and head limits per
route, the time limits of a connection, the caps on connections per address and in total, and the memory the
server spends on huge requests, crowds and downloads nobody reads. The real agent must keep getting through.
Usage: test_http_edge.py SERVER_EXE (the agent from KOVA_AGENT_EXE)."""

import os
import re
import resource
import shutil
import sys
import tempfile
import threading
import time

import edge_attacks as edge
import fleet
import kovarig
from edge_attacks import FORM, MIB

BODY_LIMIT = 65536  # the exchange's and the console API's
STRAY_LIMIT = 4096  # what every other route takes: a stray form still reaches the route
HEAD_LIMIT = 16384
HEADER_LINES = 100
UNREAD_MIB = 32  # what an unread body can fill: the client's send buffer and the server's receive buffer
failures = []


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)


# A server built with the address sanitizer keeps freed memory in quarantine: its peak memory says nothing.
SANITIZED = os.environ.get("KOVA_SANITIZED") == "1"


def check_memory(grown_kib, ceiling_kib, what):
    if SANITIZED:
        print(f"skip {what}: peak memory grew {mib(grown_kib)} under the address sanitizer", flush=True)
    else:
        check(grown_kib < ceiling_kib, f"{what}: peak memory grew {mib(grown_kib)} (< {mib(ceiling_kib)})")


def mib(kib):
    return f"{kib / 1024:.1f} MiB"


def seconds(value):
    return "still open" if value is None else f"{value:.1f} s"


def post_head(path, content_type, length):
    return (f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: {content_type}\r\n"
            f"Content-Length: {length}\r\n\r\n").encode()


def padded(start, size, end=b""):
    return start + b"a" * (size - len(start) - len(end)) + end


def body_limits(server):
    """Each route's limit, both sides of it; returns how many 413s were caused. The bodies within the limit
    are well formed, so that only the edge can refuse them (a report without a key and a wrong password are
    answered 401)."""
    report = fleet.report_body("EDGE-PAD", "padded") + b"&pad="
    reports = [padded(report, size) for size in (BODY_LIMIT, BODY_LIMIT + 1)]
    login = b'{"name": "edge", "password": "wrong", "pad": "'
    logins = [padded(login, size, b'"}') for size in (BODY_LIMIT, BODY_LIMIT + 1)]
    for what, path, content_type, bodies in (("status report", kovarig.EXCHANGE_PATH, FORM, reports),
                                             ("login", edge.LOGIN_PATH, "application/json", logins)):
        within, over = (edge.ask(server.port, post_head(path, content_type, len(b)), b) for b in bodies)
        check(within not in ("413", "none"), f"a {what} of {BODY_LIMIT:,} bytes is taken ({within})")
        check(over == "413", f"a {what} of {BODY_LIMIT + 1:,} bytes is refused ({over})")
    # A stray form to a page or a missing address is still answered by its route; more is refused.
    def stray(path, size):
        return edge.ask(server.port, post_head(path, FORM, size), b"x" * size)
    within = [stray(path, STRAY_LIMIT) for path in (kovarig.TIME_PATH, "/kova-oru/no-such-page")]
    over = [stray(path, STRAY_LIMIT + 1) for path in (kovarig.TIME_PATH, "/kova-oru/no-such-page")]
    check(within == ["405", "404"] and over == ["413", "413"],
          f"a {STRAY_LIMIT:,}-byte form to the time page and to a missing page is answered by the route "
          f"({within}), one byte more refused ({over})")
    return 4


def chunk(data):
    return f"{len(data):x}\r\n".encode() + data + b"\r\n"


def chunked_bodies(server):
    head = (f"POST {kovarig.EXCHANGE_PATH} HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: {FORM}\r\n"
            "Transfer-Encoding: chunked\r\n\r\n").encode()
    small = edge.ask(server.port, head, chunk(b"servercode=") + chunk(b"EDGE-CHUNKED") + b"0\r\n\r\n")
    check(small == "200", f"a settings request in chunks is answered ({small})")
    with kovarig.connect_from(server.port) as connection:
        connection.sendall(head)
        piece = chunk(b"a" * 8192)
        sent = 0
        while sent < MIB and edge.still_open(connection):
            try:
                connection.sendall(piece)
            except OSError:
                break
            sent += 8192
        status = edge.status_of(edge.read_head(connection, 5))
    # The body never ends: only a server that counts the chunks as they come can answer at all.
    check(status == "413", f"a chunked body is cut at the limit ({status} after {sent // 1024} KiB sent)")
    return 1


def head_limits(server):
    """Returns how many 431s were caused."""
    def head_of_size(size):
        start = f"GET {kovarig.TIME_PATH} HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Pad: "
        return (start + "a" * (size - len(start) - 4) + "\r\n\r\n").encode()

    def head_of_lines(count):
        lines = "".join(f"X-Line-{n}: 1\r\n" for n in range(count - 1))
        return f"GET {kovarig.TIME_PATH} HTTP/1.1\r\nHost: 127.0.0.1\r\n{lines}\r\n".encode()

    within, over = (edge.ask(server.port, head_of_size(size)) for size in (16000, HEAD_LIMIT + 200))
    check(within == "200" and over == "431",
          f"a head of 16,000 bytes is answered ({within}), one of {HEAD_LIMIT + 200:,} refused ({over})")
    within, over = (edge.ask(server.port, head_of_lines(n)) for n in (HEADER_LINES, HEADER_LINES + 1))
    check(within == "200" and over == "431",
          f"{HEADER_LINES} header lines are answered ({within}), {HEADER_LINES + 1} refused ({over})")
    return 2


def limits_on_one_server(exe, folder):
    with edge.running_server(exe, folder) as server:
        too_large = body_limits(server) + chunked_bodies(server)
        too_long = head_limits(server)
        garbage = edge.ask(server.port, b"GARBAGE\r\n\r\n")
        check(garbage == "400", f"a request line that is not HTTP is answered 400 ({garbage})")
        status, closed_after = edge.seconds_to_close_after_answer(server.port)
        check(status == "200" and closed_after is not None and closed_after <= 1,
              f"Connection: close ends the connection after the answer ({status}, {seconds(closed_after)})")
        counted = edge.refusals(server)
        expected = {"body_too_large": too_large, "head_too_large": too_long, "bad_request": 1}
        check(all(counted[reason] == n for reason, n in expected.items()),
              f"/metrics counts each refusal once: {expected} caused, "
              f"{ {reason: counted[reason] for reason in expected} } counted")


def huge_requests(exe, folder):
    for what, results, growth, counted in edge.oversized_bodies(exe, folder):
        ceiling = 16 * 1024 if len(results) > 1 else 8 * 1024
        statuses = [r["status"] for r in results]
        check(all(r["status"] == "413" and r["from_head"] for r in results),
              f"{what}: {statuses} from the head alone {[r['from_head'] for r in results]}")
        check(all(r["closed"] and r["sent_mib"] < UNREAD_MIB for r in results),
              f"{what}: the body is not read, the connection closed {[r['closed'] for r in results]} after "
              f"{[round(r['sent_mib'], 1) for r in results]} MiB pushed (< {UNREAD_MIB})")
        check_memory(growth, ceiling, what)
        check(counted["body_too_large"] == len(results), f"{what}: counted as body_too_large "
                                                         f"({counted['body_too_large']})")
    header = edge.endless_header(exe, folder)
    check(header["status"] == "431" and header["refusals"]["head_too_large"] == 1,
          f"a header line that never ends: {header['status']} after {header['sent_mib']:.1f} MiB pushed; "
          f"head_too_large {header['refusals']['head_too_large']}")
    check_memory(header["growth_kib"], 8 * 1024, "a header line that never ends")


def connection_caps(exe, folder):
    """A server allowing 100 connections: 64 from one address, the 65th closed; 100 in all, the 101st closed;
    its gauge of open connections follows."""
    try:
        with edge.running_server(exe, folder, ["--max-connections", "100"]) as server:
            ours = []
            try:
                ours += [kovarig.connect_from(server.port, "127.0.0.3") for _ in range(edge.PER_ADDRESS)]
                beyond_address = kovarig.connect_from(server.port, "127.0.0.3")
                refused = not edge.still_open(beyond_address, 1)
                kept = sum(edge.still_open(c) for c in ours)
                check(kept == edge.PER_ADDRESS and refused,
                      f"{edge.PER_ADDRESS} connections from one address kept ({kept}), the next closed at once "
                      f"({refused})")
                beyond_address.close()
                ours += [kovarig.connect_from(server.port, a) for a in edge.crowd_addresses(35, 30)]
                gauge = edge.open_connections(server)
                check(gauge == 100, f"the gauge counts 99 open and its reader ({gauge})")
                time.sleep(0.3)  # the reader's connection is gone before the hundredth comes
                ours.append(kovarig.connect_from(server.port, "127.0.31.1"))
                beyond_total = kovarig.connect_from(server.port, "127.0.31.2")
                refused = not edge.still_open(beyond_total, 1)
                kept = sum(edge.still_open(c) for c in ours)
                check(kept == 100 and refused, f"--max-connections 100: 100 kept ({kept}), the 101st closed at "
                                               f"once ({refused})")
                beyond_total.close()
                for connection in ours[:10]:
                    connection.close()
                time.sleep(0.3)
                counted = edge.refusals(server)
                check(counted["address_limit"] == 1 and counted["connection_limit"] == 1,
                      f"counted as address_limit ({counted['address_limit']}) and connection_limit "
                      f"({counted['connection_limit']})")
            finally:
                for connection in ours:
                    connection.close()
            time.sleep(0.5)
            gauge = edge.open_connections(server)
            check(gauge == 1, f"once all are closed the gauge counts only its reader ({gauge})")
    except RuntimeError as failure:
        check(False, f"the server starts with --max-connections 100: {str(failure)[-300:]}")


def small_file_limit(exe, folder, agent_exe):
    figures = edge.small_file_limit(exe, folder, agent_exe)
    told = [line for line in figures["log"].splitlines() if re.search(r"1024|open.file", line, re.IGNORECASE)]
    check(bool(told), f"under ulimit -n 1024 the server says it lowered its limit: {told[:1]}")
    kept, counted = figures["kept"], figures["refusals"]
    # None may be left when opening them all took longer than the head's 10 s (a slow or loaded machine).
    check(figures["opened"] == 1100 and kept <= edge.PER_ADDRESS,
          f"1,100 connections from 127.0.0.2 under ulimit -n 1024: {figures['opened']} opened in "
          f"{figures['flood_s']:.1f} s, {kept} kept (<= {edge.PER_ADDRESS}), the others closed")
    # A flood slower than the head time limit (a busy machine) sees its first connections closed for that.
    check(counted["address_limit"] + counted["head_timeout"] == figures["opened"] - kept,
          f"each one closed counted once: address_limit {counted['address_limit']}, head_timeout "
          f"{counted['head_timeout']}")
    check(figures["agent_s"] is not None, f"the agent from 127.0.0.1 still gets through "
                                          f"({seconds(figures['agent_s'])})")


def trickle(connection, piece, every, limit):
    """Sends `piece` every `every` seconds; seconds until the server ended the connection, None if it had not
    after `limit` seconds."""
    started = time.monotonic()
    while time.monotonic() - started < limit:
        if edge.seconds_until_closed(connection, every) is not None:
            return time.monotonic() - started
        try:
            connection.sendall(piece)
        except OSError:
            return time.monotonic() - started
    return None


def time_page_request():
    return f"GET {kovarig.TIME_PATH} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode()


def silent_connection(port):
    with kovarig.connect_from(port) as connection:
        return edge.seconds_until_closed(connection, 14)


def trickled_head(port):
    with kovarig.connect_from(port) as connection:
        connection.sendall(f"GET {kovarig.TIME_PATH} HTTP/1.1\r\n".encode())
        return trickle(connection, b"X-Drip: 1\r\n", 2, 14)


def kept_alive_then_idle(port):
    """Two answers on one connection, then nothing: (statuses, seconds until closed after the second)."""
    with kovarig.connect_from(port) as connection:
        statuses = []
        for _ in range(2):
            connection.sendall(time_page_request())
            statuses.append(edge.read_answer(connection, 5)[0])
            time.sleep(1)
        idle = edge.seconds_until_closed(connection, 19)
        return statuses, None if idle is None else idle + 1


def trickled_second_head(port):
    """An answer, 5 s of quiet, then the next head trickled: seconds from its first byte until closed."""
    with kovarig.connect_from(port) as connection:
        connection.sendall(time_page_request())
        edge.read_answer(connection, 5)
        time.sleep(5)
        connection.sendall(f"GET {kovarig.TIME_PATH} HTTP/1.1\r\n".encode())
        return trickle(connection, b"X-Drip: 1\r\n", 2, 14)


def trickled_body(port):
    with kovarig.connect_from(port) as connection:
        connection.sendall(post_head(kovarig.EXCHANGE_PATH, FORM, 100))
        return trickle(connection, b"s", 3, 36)


def time_limits(exe, folder):
    with edge.running_server(exe, folder) as server:
        scenarios = (silent_connection, trickled_head, kept_alive_then_idle, trickled_second_head, trickled_body)
        results = in_parallel([(scenario, (server.port,)) for scenario in scenarios])
        return results + [edge.refusals(server)]


def check_time_limits(results):
    silent, head, (statuses, idle), second_head, body, counted = results
    check(silent is not None and 9.5 <= silent <= 12.5,
          f"a new connection that sends nothing is closed after 10 s ({seconds(silent)})")
    check(head is not None and 9.5 <= head <= 12.5,
          f"a head trickled a line every 2 s is closed 10 s after the connection ({seconds(head)})")
    check(statuses == ["200", "200"] and idle is not None and 14.5 <= idle <= 17.5,
          f"a kept-alive connection answers twice ({statuses}) and is closed 15 s after its last answer "
          f"({seconds(idle)})")
    check(second_head is not None and 9.5 <= second_head <= 12.5,
          f"the next head on a kept-alive connection, trickled, is closed 10 s after its first byte "
          f"({seconds(second_head)})")
    check(body is not None and 29.5 <= body <= 33,
          f"a body trickled a byte every 3 s is closed 30 s after its head ({seconds(body)})")
    expected = {"head_timeout": 3, "idle": 1, "body_timeout": 1}
    check(all(counted[reason] == n for reason, n in expected.items()),
          f"time limits counted: {expected} caused, { {reason: counted[reason] for reason in expected} } counted")


def check_crowd(figures):
    check(figures["opened"] == 1300 and figures["last_closed_s"] is not None and figures["last_closed_s"] <= 20,
          f"1,000 idle and 300 slow connections over 26 addresses: {figures['opened']} opened, "
          f"{figures['closed']} closed by the server, the last after {seconds(figures['last_closed_s'])} (<= 20 s)")
    check(figures["agent_runs"] > 0 and figures["agent_ok"] == figures["agent_runs"],
          f"the agent's --once succeeded {figures['agent_ok']} of {figures['agent_runs']} times meanwhile "
          f"(slowest {seconds(figures['agent_slowest_s'])})")
    check(figures["refusals"]["head_timeout"] == figures["opened"],
          f"the crowd counted as head_timeout ({figures['refusals']['head_timeout']})")


def check_downloads(figures):
    check(figures["whole_download"], "a 20 MB update downloads whole and unchanged")
    check_memory(figures["growth_kib"], 32 * 1024, "50 downloads of it that read nothing")
    after = figures["dropped_after_s"]
    check(figures["dropped"] == figures["clients"] and after is not None and 28 <= after <= 38,
          f"they are dropped after ~30 s: {figures['dropped']} of {figures['clients']} dropped, all gone after "
          f"{seconds(after)}; stalled_reader {figures['refusals']['stalled_reader']}")


def in_parallel(jobs):
    """Runs (function, arguments) pairs at once; their results in order, an exception in place of a result
    of one that failed."""
    results = [None] * len(jobs)

    def run(index, function, arguments):
        try:
            results[index] = function(*arguments)
        except Exception as failure:  # reported by the caller
            results[index] = failure

    threads = [threading.Thread(target=run, args=(i, *job)) for i, job in enumerate(jobs)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return results


def waits(exe, folder, agent_exe):
    """The three checks that wait out the server's timers, at once: each on its own server."""
    results = in_parallel([(edge.crowd, (exe, folder, agent_exe)), (edge.stalled_downloads, (exe, folder)),
                           (time_limits, (exe, folder))])
    for result, judge in zip(results, (check_crowd, check_downloads, check_time_limits)):
        if isinstance(result, Exception):
            check(False, f"{judge.__name__} could not run: {result!r}")
        else:
            judge(result)


def main():
    exe = sys.argv[1] if len(sys.argv) > 1 else os.environ["KOVA_SERVER_EXE"]
    agent_exe = os.environ["KOVA_AGENT_EXE"]
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 20000)), hard))  # the crowds, and servers
    started = time.monotonic()
    folder = tempfile.mkdtemp(prefix="kova-edge-")
    try:
        steps = ((limits_on_one_server, (exe, folder)),
                 (huge_requests, (exe, folder)), (connection_caps, (exe, folder)),
                 (small_file_limit, (exe, folder, agent_exe)), (waits, (exe, folder, agent_exe)))
        for step, arguments in steps:
            try:
                step(*arguments)
            except Exception as failure:  # a broken step still lets the others run
                check(False, f"{step.__name__} failed: {failure!r}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"HTTP edge test took {time.monotonic() - started:.1f} s; {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
