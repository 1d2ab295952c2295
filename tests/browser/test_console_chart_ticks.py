"""The time axis of a computer's charts in real headless Chromium: each range the picker offers puts its ticks
a whole step apart that an operator reads at a glance (the week's on every day, not every other one).

One computer enrols and reports through the agents' exchange (open enrolment); its disk's chart is read."""
import os
import secrets
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

import headless_chromium
from console_page import ConsolePage
from kovarig import Server

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "stack"))
import fleet  # noqa: E402

COMPUTER = "TICKS-PC"
OPERATOR = "tia"
HOUR_MS = 3600 * 1000


class ConsoleChartTicks(ConsolePage, unittest.TestCase):
    picture_prefix = "chart-ticks"

    @classmethod
    def setUpClass(cls):
        cls.work = Path(tempfile.mkdtemp(prefix="kova-ticks-"))
        cls.addClassCleanup(shutil.rmtree, cls.work, ignore_errors=True)
        cls.output = Path(os.environ.get("KOVA_TEST_OUTPUT", cls.work / "output"))
        cls.output.mkdir(parents=True, exist_ok=True)
        cls.password = secrets.token_urlsafe(12)
        cls.server = Server(os.environ["KOVA_SERVER_EXE"], cls.work, cls.work / "kova.sqlite", enrolment="open")
        cls.server.add_operator(OPERATOR, cls.password, "viewer")
        cls.server.start()
        cls.addClassCleanup(cls.server.stop)
        agent = fleet.Agent(COMPUTER)
        agent.connect("127.0.0.1", cls.server.port, False)
        for status, _, _ in (agent.settings(), agent.report("System_OK.")):
            assert status == 200, status
        agent.connection.close()
        cls.browser = headless_chromium.start(cls.work)
        cls.addClassCleanup(cls.browser.quit)

    def ticks(self):
        script = """
            const canvas = document.querySelector('#charts canvas');
            const chart = canvas && Chart.getChart(canvas);
            return chart ? chart.scales.x.ticks.map((t) => t.value) : null;"""
        return self.wait_for(lambda b: b.execute_script(script), "the folder chart")

    def test_each_range_ticks_whole_steps(self):
        self.log_in(OPERATOR)
        for range_key, step_hours in (("24h", 6), ("7d", 24), ("30d", 7 * 24)):
            with self.subTest(range=range_key):
                self.open_view("computer", name=COMPUTER, range=range_key)
                ticks = self.ticks()
                steps = {later - earlier for earlier, later in zip(ticks, ticks[1:])}
                # A clock change inside the range makes one day an hour longer or shorter.
                self.assertTrue(all(abs(step - step_hours * HOUR_MS) <= HOUR_MS for step in steps), steps)
                self.assertGreaterEqual(len(ticks), 4)
                self.picture(range_key)


if __name__ == "__main__":
    unittest.main()
