"""What a client can throw at kova_server's own HTTP edge, straight on loopback with no front server: huge
bodies and heads, crowds of idle and slow connections, a starved open-file limit, downloads nobody reads.
Each attack measures its figures on a server of its own (peak memory is per process), so the edge test can
assert them and bench/bench_http_edge.py print them."""

import contextlib
import hashlib
import os
import select
import socket
import tempfile
import threading
import time

import kovarig

MIB = 1 << 20
FORM = "application/x-www-form-urlencoded"
LOGIN_PATH = "/api/v1/session"  # the console's login, a JSON POST
# The three kinds of route, each with its own body limit.
OVERSIZED_TARGETS = ((kovarig.EXCHANGE_PATH, FORM), (LOGIN_PATH, "application/json"),
                     ("/kova-oru/no-such-page", "application/octet-stream"))
PER_ADDRESS = 64  # connections kept open at once from one client address
REFUSAL_REASONS = ("head_too_large", "body_too_large", "bad_request", "head_timeout", "body_timeout", "idle",
                   "stalled_reader", "address_limit", "connection_limit")


@contextlib.contextmanager
def running_server(exe, folder, extra=(), open_files=None):
    """A kova_server of its own (own database, open enrolment, /metrics open to loopback for the counters),
    stopped in every outcome."""
    own = tempfile.mkdtemp(prefix="server-", dir=folder)
    # The same agent runs several times within seconds: no pause between its reports.
    allowed = ["--metrics-allow", "127.0.0.1", "--report-interval", "0"]
    server = kovarig.Server(exe, own, os.path.join(own, "kova.sqlite"), allowed + list(extra), enrolment="open",
                            open_files=open_files)
    server.start()
    try:
        yield server
    finally:
        server.stop()


def peak_kib(server):
    return kovarig.memory_kib(server.process.pid, "VmHWM")


def refusals(server):
    """Refused requests and connections by reason, as the server counts them on /metrics."""
    values = server.metrics()
    return {reason: int(values.get(f'kova_http_refused_total{{reason="{reason}"}}', 0))
            for reason in REFUSAL_REASONS}


def open_connections(server):
    """The server's own count of open connections (this reader's included), None where it has none."""
    value = server.metrics().get("kova_http_connections")
    return None if value is None else int(value)


def read_head(connection, seconds):
    """The answer's status line and headers (with whatever body bytes came along), b'' if nothing came in
    time or the connection ended first."""
    deadline = time.monotonic() + seconds
    data = b""
    while b"\r\n\r\n" not in data:
        left = deadline - time.monotonic()
        if left <= 0:
            break
        connection.settimeout(left)
        try:
            chunk = connection.recv(65536)
        except OSError:
            break
        if not chunk:
            break
        data += chunk
    return data


def status_of(answer):
    """The status code of an answer as text, or 'none' when nothing (or no HTTP) came back."""
    words = answer.split(b"\r\n", 1)[0].split()
    return words[1].decode() if len(words) >= 2 and words[0].startswith(b"HTTP/") else "none"


def header_value(answer, name):
    for line in answer.split(b"\r\n\r\n", 1)[0].split(b"\r\n")[1:]:
        key, _, value = line.partition(b":")
        if key.strip().lower() == name.lower().encode():
            return value.strip().decode(errors="replace")
    return None


def read_answer(connection, seconds):
    """(status, head, body) of one answer whose body has a Content-Length (all the pages tested here)."""
    answer = read_head(connection, seconds)
    head, _, body = answer.partition(b"\r\n\r\n")
    length = int(header_value(answer, "Content-Length") or 0)
    deadline = time.monotonic() + seconds
    while len(body) < length and time.monotonic() < deadline:
        connection.settimeout(max(0.01, deadline - time.monotonic()))
        try:
            chunk = connection.recv(min(length - len(body), MIB))
        except OSError:
            break
        if not chunk:
            break
        body += chunk
    return status_of(answer), head, body


def ask(port, head, body=b"", seconds=5, source="127.0.0.1"):
    """Sends a request on a new connection, its body only if no answer came from the head alone (a server
    that refuses from the head and closes would otherwise reset the connection over an unread body and the
    answer could be lost); the status of what comes back."""
    with kovarig.connect_from(port, source) as connection:
        connection.sendall(head)
        if body and still_open(connection, 0.3):
            try:
                connection.sendall(body)
            except OSError:
                pass
        return status_of(read_head(connection, seconds))


def still_open(connection, seconds=0):
    """False once the server has answered or ended the connection (waiting up to `seconds` for that); nothing
    is taken from it."""
    poller = select.poll()  # select() cannot take the high descriptors of a test holding a crowd
    poller.register(connection, select.POLLIN | select.POLLHUP | select.POLLERR)
    return not poller.poll(int(seconds * 1000))


def seconds_until_closed(connection, limit):
    """Seconds until the server ends the connection (what it still sends is read and dropped), None if it is
    still open after `limit` seconds."""
    started = time.monotonic()
    while True:
        left = started + limit - time.monotonic()
        if left <= 0:
            return None
        connection.settimeout(left)
        try:
            if not connection.recv(65536):
                return time.monotonic() - started
        except socket.timeout:
            return None
        except OSError:
            return time.monotonic() - started


def push(connection, size, seconds, chunk=MIB):
    """Sends up to `size` filler bytes for at most `seconds`; how many went out before the server closed,
    stopped reading for 5 s, or time ran out."""
    data = b"x" * chunk
    sent = 0
    deadline = time.monotonic() + seconds
    connection.settimeout(5)
    while sent < size and time.monotonic() < deadline:
        try:
            sent += connection.send(data[:min(chunk, size - sent)])
        except OSError:
            break
    return sent


def oversized_body(port, path, content_type, size=300_000_000, source="127.0.0.1"):
    """Announces a `size`-byte body, reads the answer, then tries to push the body anyway: the server should
    have answered from the head alone and closed without reading it, so that only what fits the two sockets'
    kernel buffers goes out."""
    with kovarig.connect_from(port, source) as connection:
        connection.sendall((f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: {content_type}\r\n"
                            f"Content-Length: {size}\r\n\r\n").encode())
        answer = read_head(connection, 2)
        answered_from_head = bool(answer)
        sent = push(connection, size, 30)
        if not answer:
            answer = read_head(connection, 10)
        closed = sent < size or seconds_until_closed(connection, 5) is not None
    return {"status": status_of(answer), "from_head": answered_from_head, "sent_mib": sent / MIB,
            "closed": closed}


def oversized_bodies(exe, folder):
    """A 300 MB body to each kind of route, each on a fresh server, then all three at once on another:
    [(what, [results], peak memory growth KiB, refusals)]."""
    figures = []
    for path, content_type in OVERSIZED_TARGETS:
        with running_server(exe, folder) as server:
            before = peak_kib(server)
            result = oversized_body(server.port, path, content_type)
            figures.append((f"300 MB body to {path}", [result], peak_kib(server) - before, refusals(server)))
    with running_server(exe, folder) as server:
        before = peak_kib(server)
        results = [None] * len(OVERSIZED_TARGETS)

        def send(index):
            results[index] = oversized_body(server.port, *OVERSIZED_TARGETS[index])

        threads = [threading.Thread(target=send, args=(i,)) for i in range(len(OVERSIZED_TARGETS))]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        figures.append(("three 300 MB bodies at once", results, peak_kib(server) - before, refusals(server)))
    return figures


def endless_header(exe, folder, size=100 * MIB):
    """One header line that never ends, pushed until the server answers or closes."""
    with running_server(exe, folder) as server:
        before = peak_kib(server)
        with kovarig.connect_from(server.port) as connection:
            connection.sendall(f"GET {kovarig.TIME_PATH} HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Filler: ".encode())
            filler = b"a" * 65536
            sent = 0
            deadline = time.monotonic() + 30
            connection.settimeout(5)
            while sent < size and time.monotonic() < deadline:
                if not still_open(connection):
                    break  # an answer, or the end of the connection
                try:
                    sent += connection.send(filler)
                except OSError:
                    break
            status = status_of(read_head(connection, 5))
        return {"status": status, "sent_mib": sent / MIB, "growth_kib": peak_kib(server) - before,
                "refusals": refusals(server)}


def crowd_addresses(count, third_octet, per_address=50):
    """Loopback addresses for `count` connections, at most `per_address` on each."""
    return [f"127.0.{third_octet}.{1 + i // per_address}" for i in range(count)]


def crowd(exe, folder, agent_exe, idle=1000, slow=300, limit=20, agent_runs=4):
    """`idle` connections that send nothing and `slow` ones that send a header line every 3 s, spread over
    many addresses, while the real agent (when given) runs --once every 4 s: how many the server closed, when
    the last went, and how the agent fared."""
    with running_server(exe, folder) as server:
        if agent_exe:
            agent = kovarig.Agent(agent_exe, os.path.join(folder, "crowd-agent"), "EDGE-CROWD")
            agent.run_once(server.url, timeout=30)  # enrolled before the crowd comes
        else:
            agent_runs = 0
        sockets, slow_ones, failed_to_open = [], set(), 0
        for index, source in enumerate(crowd_addresses(idle, 10) + crowd_addresses(slow, 11)):
            try:
                connection = kovarig.connect_from(server.port, source, timeout=3)
            except OSError:
                failed_to_open += 1
                continue
            if index >= idle:
                connection.sendall(f"GET {kovarig.TIME_PATH} HTTP/1.1\r\n".encode())
                slow_ones.add(connection)
            connection.setblocking(False)
            sockets.append(connection)
        opened = time.monotonic()
        agent_results = []

        def run_agent():
            for run in range(agent_runs):
                time.sleep(max(0.0, opened + 1 + 4 * run - time.monotonic()))
                try:
                    agent_results.append(agent.run_once(server.url, timeout=15)[1])
                except Exception:  # a failed or hung run: counted, not raised
                    agent_results.append(None)

        runner = threading.Thread(target=run_agent)
        runner.start()
        closed_at = watch_until_closed(sockets, slow_ones, opened, limit + 2)
        runner.join()
        for connection in sockets:
            connection.close()
        return {"opened": len(sockets), "failed_to_open": failed_to_open, "closed": len(closed_at),
                "last_closed_s": max(closed_at.values()) if len(closed_at) == len(sockets) else None,
                "agent_ok": sum(1 for r in agent_results if r is not None), "agent_runs": len(agent_results),
                "agent_slowest_s": max((r for r in agent_results if r is not None), default=None),
                "refusals": refusals(server)}


def watch_until_closed(sockets, slow_ones, started, seconds):
    """{socket: seconds after `started` when the server closed it}, watched for at most `seconds`, the slow
    ones given one more header line every 3 s."""
    poller = select.poll()
    by_fd = {s.fileno(): s for s in sockets}
    for fd in by_fd:
        poller.register(fd, select.POLLIN | select.POLLHUP | select.POLLERR)
    closed_at = {}
    next_drip = started + 3
    while len(closed_at) < len(sockets) and time.monotonic() < started + seconds:
        for fd, _ in poller.poll(200):
            connection = by_fd[fd]
            try:
                ended = not connection.recv(65536)  # an answer such as 408 is dropped
            except BlockingIOError:
                continue
            except OSError:
                ended = True
            if ended:
                closed_at[connection] = time.monotonic() - started
                poller.unregister(fd)
        if time.monotonic() >= next_drip:
            next_drip += 3
            for connection in slow_ones - closed_at.keys():
                try:
                    connection.send(b"X-Drip: 1\r\n")
                except BlockingIOError:
                    pass
                except OSError:
                    closed_at[connection] = time.monotonic() - started
                    poller.unregister(connection.fileno())
    return closed_at


def small_file_limit(exe, folder, agent_exe, connections=1100, open_files=1024):
    """The server under `ulimit -n 1024`, `connections` opened from 127.0.0.2, then the real agent (when
    given) from 127.0.0.1."""
    with running_server(exe, folder, open_files=open_files) as server:
        agent = kovarig.Agent(agent_exe, os.path.join(folder, "limit-agent"), "EDGE-LIMIT") if agent_exe else None
        flood = []
        started = time.monotonic()
        try:
            for _ in range(connections):
                try:
                    flood.append(kovarig.connect_from(server.port, "127.0.0.2", timeout=2))
                except OSError:
                    break
            flood_seconds = time.monotonic() - started
            deadline = time.monotonic() + 3
            while True:  # closed at once, but the last of a flood may still wait in the listen queue
                time.sleep(0.5)
                ended = sum(1 for c in flood if not still_open(c))
                if ended >= len(flood) - PER_ADDRESS or time.monotonic() > deadline:
                    break
            try:
                seconds = agent.run_once(server.url, timeout=20)[1] if agent else None
            except Exception:  # a failed or hung run
                seconds = None
            return {"opened": len(flood), "flood_s": flood_seconds, "kept": len(flood) - ended,
                    "agent_s": seconds, "log": server.read_log(), "refusals": refusals(server)}
        finally:
            for connection in flood:
                connection.close()


def stalled_downloads(exe, folder, clients=50, size=20 * MIB, wait=40):
    """One full download of a `size`-byte update (checked byte for byte), then `clients` downloads that read
    nothing: peak memory growth, and whether and when the server dropped them."""
    updates = tempfile.mkdtemp(prefix="updates-", dir=folder)
    update = os.urandom(size)
    with open(os.path.join(updates, kovarig.UPDATE_PATH.rsplit("/", 1)[1]), "wb") as file:
        file.write(update)
    request = f"GET {kovarig.UPDATE_PATH} HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode()
    with running_server(exe, folder, ["--updates", updates]) as server:
        before = peak_kib(server)
        with kovarig.connect_from(server.port) as connection:
            connection.sendall(request)
            status, _, body = read_answer(connection, 30)
        whole = status == "200" and hashlib.sha256(body).digest() == hashlib.sha256(update).digest()
        stalled = []
        try:
            for source in crowd_addresses(clients, 20, per_address=10):
                connection = kovarig.connect_from(server.port, source, receive_buffer=16384)
                connection.sendall(request)
                stalled.append(connection)
            stopped_reading = time.monotonic()
            dropped_after = None
            while time.monotonic() < stopped_reading + wait:
                time.sleep(1)
                open_now = open_connections(server)
                if open_now is not None and open_now <= 1:  # only this reader of /metrics
                    dropped_after = time.monotonic() - stopped_reading
                    break
            growth = peak_kib(server) - before
            dropped = count_ending(stalled, 5)
        finally:
            for connection in stalled:
                connection.close()
        return {"whole_download": whole, "growth_kib": growth, "dropped": dropped, "clients": clients,
                "dropped_after_s": dropped_after, "refusals": refusals(server)}


def count_ending(connections, seconds):
    """How many of the connections end (EOF or reset) within `seconds`, reading all of them meanwhile: a
    dropped download ends after its few buffered bytes, a live one goes on delivering."""
    poller = select.poll()
    by_fd = {}
    for connection in connections:
        connection.setblocking(False)
        by_fd[connection.fileno()] = connection
        poller.register(connection, select.POLLIN | select.POLLHUP | select.POLLERR)
    ended = 0
    deadline = time.monotonic() + seconds
    while by_fd and time.monotonic() < deadline:
        for fd, _ in poller.poll(50):
            try:
                if by_fd[fd].recv(MIB):
                    continue
            except BlockingIOError:
                continue
            except OSError:
                pass
            ended += 1
            poller.unregister(fd)
            del by_fd[fd]
    return ended


def seconds_to_close_after_answer(port):
    """A request with `Connection: close`: its status and the seconds from its complete answer to the end of
    the connection (None if not within 5 s)."""
    with kovarig.connect_from(port) as connection:
        connection.sendall(f"GET {kovarig.TIME_PATH} HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
                           .encode())
        status, _, _ = read_answer(connection, 5)
        return status, seconds_until_closed(connection, 5)
