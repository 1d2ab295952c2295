"""The real central server and the real agent, started for a browser test on loopback in a temporary folder."""
import os
import re
import shutil
import subprocess
import time
from pathlib import Path

class CentralServer:
    """kova_server on a free loopback port with a fresh database; stop() ends it in every outcome."""

    def __init__(self, executable, folder):
        self.executable = executable
        self.database = Path(folder) / "kova-server.sqlite"
        self.log = Path(folder) / "server.log"
        self.process = None
        self.log_file = None
        self.url = None

    def command(self, *arguments, password=None):
        """One of the server's command-line actions on the same database."""
        done = subprocess.run([self.executable, "--database", str(self.database), *arguments],
                              input=None if password is None else password + "\n", text=True, capture_output=True,
                              timeout=60)
        if done.returncode != 0:
            raise RuntimeError(f"{arguments[0]} failed ({done.returncode}): {done.stdout}{done.stderr}")

    def add_operator(self, name, password, role):
        self.command("--add-operator", name, "--role", role, password=password)

    def start(self, enrolment="approve"):
        """By default new computers wait for an operator's approval, as they do in a real installation."""
        arguments = [self.executable, "--listen", "127.0.0.1", "--port", "0", "--database", str(self.database),
                     "--enrol", enrolment]
        self.log_file = open(self.log, "wb")
        self.process = subprocess.Popen(arguments, stdout=subprocess.PIPE, stderr=self.log_file, text=True)
        line = self.process.stdout.readline().strip()  # the server's first line says where it listens
        found = re.match(r"listening on (http://127\.0\.0\.1:\d+)$", line)
        if not found:
            self.stop()
            raise RuntimeError(f"the server did not start: {line!r} {self.log.read_text(errors='replace')}")
        self.url = found.group(1)

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process:
            self.process.stdout.close()
            self.log_file.close()


class Agent:
    """A copy of the built agent with its own name file, run once per call against the server."""

    def __init__(self, executable, folder, name):
        built = Path(executable)
        self.folder = Path(folder)
        self.folder.mkdir()
        for file in (built.name, "CheckMark.gif", "XMark.gif"):
            shutil.copy2(built.parent / file, self.folder / file)
        self.executable = self.folder / built.name
        (self.folder / "kova.ini").write_text(name)

    def run_once(self, server_url, admitted=True):
        """The agent's output; a computer not admitted yet must fail its settings download."""
        # The clock and the program itself must not be touched by a test run: both addresses lead nowhere.
        arguments = [str(self.executable), "--once", "--server-url", f"{server_url}/kova-oru/process_servers.asp",
                     "--time-url", "http://127.0.0.1:9/t", "--update-url", "http://127.0.0.1:9/u"]
        environment = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        started = time.monotonic()
        done = subprocess.run(arguments, capture_output=True, text=True, timeout=120, env=environment)
        output = done.stdout + done.stderr
        if (done.returncode == 0) != admitted:
            raise AssertionError(f"the agent's run ended with {done.returncode}:\n{output}")
        return output, time.monotonic() - started
