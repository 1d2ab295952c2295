"""The tests' neighbours on loopback, each in a temporary folder: the built kova_server and agent, PostgreSQL
and nginx, for the stack and browser tests and the benchmarks. The callers stop whatever they start in every
outcome (Stack.close() stops a whole stack)."""

import http.client
import os
import pwd
import re
import resource
import shutil
import signal
import socket
import subprocess
import tempfile
import time
from pathlib import Path
from urllib.parse import urlsplit

from listening_address import address_in

PG_BIN = "/usr/lib/postgresql/15/bin"
NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SITE = os.path.join(ROOT, "deploy", "nginx", "kova-oru.conf")


def _server_paths():
    """The server's paths as the build sets them for both sides (the top CMakeLists.txt)."""
    with open(os.path.join(ROOT, "CMakeLists.txt")) as build:
        paths = dict(re.findall(r'set\((KOVA_\w+_PATH) "([^"]+)"\)', build.read()))
    return paths["KOVA_EXCHANGE_PATH"], paths["KOVA_UPDATE_PATH"], paths["KOVA_TIME_PATH"]


EXCHANGE_PATH, UPDATE_PATH, TIME_PATH = _server_paths()


# Every process started here dies with the process that started it, even one killed outright (a CTest
# time-out): setpriv asks the kernel to send it SIGKILL then.
TIED = ["setpriv", "--pdeathsig", "KILL", "--"]


class CannotStart(Exception):
    """A neighbour (PostgreSQL, nginx) that this machine cannot run: the caller skips."""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def connect_from(port, source="127.0.0.1", timeout=10, receive_buffer=None):
    """A TCP connection to a loopback port from one of loopback's many addresses (127.0.0.0/8), so that a test
    can speak as many clients. A small receive buffer makes a client that stops reading felt by the server
    at once instead of after megabytes of kernel buffering."""
    connection = socket.socket()
    try:
        if receive_buffer:
            connection.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, receive_buffer)
        connection.settimeout(timeout)
        connection.bind((source, 0))
        connection.connect(("127.0.0.1", port))
    except OSError:
        connection.close()
        raise
    return connection


def wait_for_port(port, seconds, process=None):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process is not None and process.poll() is not None:
            return False
        try:
            socket.create_connection(("127.0.0.1", port), timeout=0.5).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def memory_kib(pid, field="VmRSS"):
    """A memory figure of /proc/<pid>/status in KiB: VmRSS (resident now) or VmHWM (its peak); 0 if absent."""
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


class Postgres:
    """A throw-away PostgreSQL cluster. As root it runs as the `postgres` system user (PostgreSQL refuses
    root); otherwise as the calling user."""

    def __init__(self, folder, fsync=False):
        self.folder = folder
        self.data = os.path.join(folder, "pgdata")
        self.port = free_port()
        self.user = "kova"
        self.as_user = []
        self.fsync = fsync
        self.started = False

    def _run(self, args, **kw):
        return subprocess.run(self.as_user + args, capture_output=True, text=True, timeout=120, **kw)

    def start(self):
        if not os.path.exists(os.path.join(PG_BIN, "initdb")):
            raise CannotStart(f"PostgreSQL 15 is not installed ({PG_BIN}/initdb missing)")
        if os.geteuid() == 0:
            try:
                account = pwd.getpwnam("postgres")
            except KeyError:
                raise CannotStart("running as root and there is no 'postgres' user to run PostgreSQL as")
            os.chown(self.folder, account.pw_uid, account.pw_gid)
            self.as_user = ["runuser", "-u", "postgres", "--"]
        done = self._run([f"{PG_BIN}/initdb", "-D", self.data, "-U", self.user, "--auth=trust",
                          "--encoding=UTF8", "--locale=C", "--no-sync"])
        if done.returncode != 0:
            raise CannotStart("initdb failed: " + done.stderr.strip())
        self.log = open(os.path.join(self.folder, "postgres.log"), "w")
        os.chmod(self.log.name, 0o666)
        self._launch()

    def _launch(self):
        as_user = ["--reuid=postgres", "--regid=postgres", "--clear-groups"] if self.as_user else []
        self.process = subprocess.Popen(
            TIED[:1] + as_user + TIED[1:] +
            [f"{PG_BIN}/postgres", "-D", self.data, "-p", str(self.port), "-k", self.folder, "-c",
             "listen_addresses=127.0.0.1", "-c", "max_connections=200", "-c",
             f"fsync={'on' if self.fsync else 'off'}", "-c", "shared_buffers=64MB"],
            stdout=self.log, stderr=subprocess.STDOUT)
        self.started = True
        if not wait_for_port(self.port, 60, self.process) or not self._ready():
            raise CannotStart("PostgreSQL did not start" + self.log_tail())

    def _ready(self):
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if subprocess.run([f"{PG_BIN}/pg_isready", "-q", "-h", "127.0.0.1", "-p", str(self.port)]).returncode == 0:
                return True
            time.sleep(0.1)
        return False

    def log_tail(self):
        try:
            with open(os.path.join(self.folder, "postgres.log")) as log:
                return "\n" + "".join(log.readlines()[-10:])
        except OSError:
            return ""

    def url(self, database):
        return f"postgresql://{self.user}@127.0.0.1:{self.port}/{database}"

    def sql(self, database, text):
        done = subprocess.run(["psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", "127.0.0.1",
                               "-p", str(self.port), "-U", self.user, "-d", database, "-c", text],
                              capture_output=True, text=True, timeout=120)
        if done.returncode != 0:
            raise RuntimeError(f"psql: {done.stderr.strip()}")
        return done.stdout.strip()

    def create_database(self, name):
        self.sql("postgres", f'CREATE DATABASE "{name}"')

    def restart(self):
        """A fast shutdown, as a service manager does it (every session is ended), and a start on the same data."""
        self.process.send_signal(signal.SIGINT)
        self.process.wait(60)
        self._launch()

    def stop(self):
        if self.started and self.process.poll() is None:
            self.process.send_signal(signal.SIGQUIT)  # immediate shutdown: the data is thrown away anyway
            try:
                self.process.wait(20)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        self.started = False


class Server:
    """One kova_server process on a free loopback port, its output in a log file in `folder`. By default new
    computers wait for an operator's approval, as they do in a real installation."""

    def __init__(self, exe, folder, database, extra=(), enrolment="approve", open_files=None, runner=()):
        self.exe = exe
        self.open_files = open_files  # the process's own open-file limit, as `ulimit -n` would set it
        self.database = str(database)
        self.log_path = tempfile.mkstemp(prefix="server-", suffix=".log", dir=folder)[1]
        # A test's database is new, or one this same rig set up: creating it is always intended here.
        # `runner`: a program the server runs under (valgrind, say), with its own arguments.
        self.args = list(runner) + [exe, "--listen", "127.0.0.1", "--port", "0", "--database", self.database,
                                    "--new-database", "--enrol", enrolment] + list(extra)
        self.process = None
        self.url = None  # http://127.0.0.1:PORT (https with --tls-cert), once started
        self.port = None

    def command(self, *arguments, password=None):
        """One of the server's command-line actions on the same database."""
        done = subprocess.run([self.exe, "--database", self.database, "--new-database", *arguments],
                              input=None if password is None else password + "\n", text=True, capture_output=True,
                              timeout=60)
        if done.returncode != 0:
            raise RuntimeError(f"{arguments[0]} failed ({done.returncode}): {done.stdout}{done.stderr}")

    def add_operator(self, name, password, role):
        self.command("--add-operator", name, "--role", role, password=password)

    def start(self, seconds=30):
        """Waits for the line that says where it listens."""
        def limit_open_files():
            resource.setrlimit(resource.RLIMIT_NOFILE, (self.open_files, self.open_files))

        with open(self.log_path, "w") as log:
            self.process = subprocess.Popen(TIED + self.args, stdout=log, stderr=subprocess.STDOUT,
                                            preexec_fn=limit_open_files if self.open_files else None)
        deadline = time.monotonic() + seconds
        while self.url is None:
            self.url = address_in(Path(self.log_path).read_text(errors="replace"))
            if self.url is None and (self.process.poll() is not None or time.monotonic() > deadline):
                self.stop()
                raise RuntimeError(f"kova_server did not start: {self.read_log()}")
            time.sleep(0.02)
        self.port = urlsplit(self.url).port

    def metrics(self):
        """The /metrics page as {'name{labels}': value}, read from loopback without a token; empty when the
        page cannot be read."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            connection.request("GET", "/metrics", headers={"Connection": "close"})
            response = connection.getresponse()
            text = response.read().decode(errors="replace") if response.status == 200 else ""
        except (OSError, http.client.HTTPException):
            text = ""
        finally:
            connection.close()
        values = {}
        for line in text.splitlines():
            if line and not line.startswith("#"):
                name, _, value = line.rpartition(" ")
                try:
                    values[name] = float(value)
                except ValueError:
                    pass
        return values

    def read_log(self):
        with open(self.log_path, errors="replace") as log:
            return log.read()[-2000:]

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(10)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.kill()


class Agent:
    """A copy of the built agent with its own name file, run once per call against a server."""

    def __init__(self, executable, folder, name):
        built = Path(executable)
        self.folder = Path(folder)
        self.folder.mkdir()
        for file in (built.name, "CheckMark.gif", "XMark.gif"):
            shutil.copy2(built.parent / file, self.folder / file)
        self.executable = self.folder / built.name
        (self.folder / "kova.ini").write_text(name)

    def run_once(self, server_url, admitted=True, timeout=120):
        """The agent's output; a computer not admitted yet must fail its settings download. A run longer than
        `timeout` seconds is killed and raises subprocess.TimeoutExpired."""
        # The clock and the program itself must not be touched by a test run: both addresses lead nowhere.
        arguments = [str(self.executable), "--once", "--server-url", f"{server_url}{EXCHANGE_PATH}",
                     "--time-url", "http://127.0.0.1:9/t", "--update-url", "http://127.0.0.1:9/u"]
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        started = time.monotonic()
        done = subprocess.run(arguments, capture_output=True, text=True, timeout=timeout, env=environment)
        output = done.stdout + done.stderr
        if (done.returncode == 0) != admitted:
            raise AssertionError(f"the agent's run ended with {done.returncode}:\n{output}")
        return output, time.monotonic() - started


def make_certificate(folder):
    cert, key = os.path.join(folder, "tls.crt"), os.path.join(folder, "tls.key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
                    "-nodes", "-keyout", key, "-out", cert, "-days", "2", "-subj", "/CN=localhost",
                    "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                   check=True, capture_output=True, timeout=60)
    return cert, key


def site_for_test(site_text, https_port, http_port, instances, cert, key, updates):
    """The shipped site with this run's ports, instances, certificate and updates folder put in."""
    servers = "".join(f"    server 127.0.0.1:{port} max_fails=1 fail_timeout=5s;\n" for port in instances)
    text = re.sub(r"(upstream kova_servers \{\n)(?:    server [^\n]*\n)+", lambda m: m.group(1) + servers,
                  site_text)
    replacements = {
        "listen 443 ssl": f"listen 127.0.0.1:{https_port} ssl",
        "listen [::]:443 ssl;": "",
        "listen 80;": f"listen 127.0.0.1:{http_port};",
        "listen [::]:80;": "",
        "/etc/ssl/kova-oru/fullchain.pem": cert,
        "/etc/ssl/kova-oru/privkey.pem": key,
        "/var/lib/kova-server/updates/": updates.rstrip("/") + "/",
        "return 301 https://$host$request_uri;": f"return 301 https://$host:{https_port}$request_uri;",
    }
    for old, new in replacements.items():
        if old not in text:
            raise RuntimeError(f"the shipped nginx site no longer holds '{old}'")
        text = text.replace(old, new)
    return text


class Nginx:
    """nginx with the shipped site, its own prefix, pid file and logs in the temporary folder."""

    def __init__(self, folder, instances, updates, worker_connections=4096):
        self.folder = os.path.join(folder, "nginx")
        self.https_port = free_port()
        self.http_port = free_port()
        self.instances = instances
        self.updates = updates
        self.worker_connections = worker_connections
        self.process = None

    def start(self):
        if not os.path.exists(NGINX):
            raise CannotStart("nginx is not installed")
        os.makedirs(os.path.join(self.folder, "logs"), exist_ok=True)
        cert, key = make_certificate(self.folder)
        with open(SITE) as f:
            site = site_for_test(f.read(), self.https_port, self.http_port, self.instances, cert, key,
                                 self.updates)
        with open(os.path.join(self.folder, "kova-oru.conf"), "w") as f:
            f.write(site)
        user = "" if os.geteuid() != 0 else "user nobody nogroup;\n"
        temp = os.path.join(self.folder, "temp")
        os.makedirs(temp, exist_ok=True)
        os.chmod(self.folder, 0o755)
        with open(os.path.join(self.folder, "nginx.conf"), "w") as f:
            f.write(f"""{user}worker_processes 1;
worker_rlimit_nofile {self.worker_connections * 2 + 64};
daemon off;
pid {self.folder}/nginx.pid;
error_log {self.folder}/logs/error.log warn;
events {{ worker_connections {self.worker_connections}; }}
http {{
    access_log off;
    client_body_temp_path {temp}/body;
    proxy_temp_path {temp}/proxy;
    fastcgi_temp_path {temp}/fastcgi;
    uwsgi_temp_path {temp}/uwsgi;
    scgi_temp_path {temp}/scgi;
    types {{ application/octet-stream exe; text/plain sig; }}
    include {self.folder}/kova-oru.conf;
}}
""")
        self.log = open(os.path.join(self.folder, "logs", "stderr.log"), "w")
        self.process = subprocess.Popen(TIED + [NGINX, "-p", self.folder, "-c", os.path.join(self.folder, "nginx.conf")],
                                        stdout=self.log, stderr=subprocess.STDOUT)
        if not wait_for_port(self.https_port, 15, self.process):
            with open(os.path.join(self.folder, "logs", "stderr.log")) as log:
                message = log.read()
            raise CannotStart("nginx did not start: " + message[-1500:])

    def worker_pids(self):
        return [int(p) for p in subprocess.run(["pgrep", "-P", str(self.process.pid)], capture_output=True,
                                               text=True).stdout.split()]

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()  # nginx's fast shutdown
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)


class Stack:
    """PostgreSQL, `count` server instances on one database and nginx in front of them."""

    def __init__(self, server_exe, count=2, extra=(), fsync=False):
        self.folder = tempfile.mkdtemp(prefix="kova-stack-")
        os.chmod(self.folder, 0o755)
        self.server_exe = server_exe
        self.count = count
        self.extra = list(extra)
        self.postgres = Postgres(os.path.join(self.folder, "pg"), fsync)
        os.makedirs(self.postgres.folder)
        self.updates = os.path.join(self.folder, "updates")
        os.makedirs(self.updates)
        os.chmod(self.updates, 0o755)
        self.servers = []
        self.nginx = None

    def start(self):
        self.postgres.start()
        self.postgres.create_database("kova")
        self.servers = [Server(self.server_exe, self.folder, self.postgres.url("kova"),
                               ["--trusted-proxy", "127.0.0.1"] + self.extra, enrolment="open")
                        for _ in range(self.count)]
        for server in self.servers:
            server.start()
        self.nginx = Nginx(self.folder, [s.port for s in self.servers], self.updates)
        self.nginx.start()

    def close(self, keep=False):
        if self.nginx:
            self.nginx.stop()
        for server in self.servers:
            server.stop()
        self.postgres.stop()
        if not keep:
            shutil.rmtree(self.folder, ignore_errors=True)
