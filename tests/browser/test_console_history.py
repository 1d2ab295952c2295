"""An operator reads a computer's history over a range of time in real headless Chromium.

A real agent reports through the exchange, an admin raises its folder's limit between two reports, and the
reports of the days before are its first report copied back in time in the database (the server's own clock
cannot be moved from outside its process). The operator picks ranges, reloads, and reads the limit change.
"""
import http.client
import json
import os
import secrets
import sqlite3
import unittest
from datetime import datetime, timedelta
from urllib.parse import quote, urlsplit

from selenium.webdriver.common.by import By

import headless_chromium
from console_page import ConsolePage
from kovarig import Agent, Server

COMPUTER = "HISTORY-PC"
OPERATOR = "hana"
LOW_LIMIT = "3"
HIGH_LIMIT = "50"
DAYS_BACK = 4
HOUR_MS = 3600 * 1000


class ConsoleApi:
    """Just enough of the console API to change a computer's settings as an admin."""

    def __init__(self, url, name, password):
        self.port = urlsplit(url).port
        reply, headers = self.call("POST", "/api/v1/session", {"name": name, "password": password})
        self.cookie = headers["Set-Cookie"].split(";")[0]
        self.token = reply["csrfToken"]

    def call(self, method, path, body=None, headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        try:
            connection.request(method, path, json.dumps(body) if body is not None else None,
                               {"Content-Type": "application/json", **(headers or {})})
            response = connection.getresponse()
            data = json.loads(response.read() or b"{}")
            if response.status != 200:
                raise AssertionError(f"{method} {path}: {response.status} {data}")
            return data, response.headers
        finally:
            connection.close()

    def change_settings(self, computer, changes):
        self.call("PUT", f"/api/v1/computers/{quote(computer, safe='')}/settings", changes,
                  {"Cookie": self.cookie, "X-CSRF-Token": self.token})


class ConsoleHistory(ConsolePage, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.watched = cls.make_folders("kova-history-", "watched", 5)
        cls.password = secrets.token_urlsafe(12)
        cls.database = cls.work / "kova-server.sqlite"
        # The agent reports three times in a row here, faster than a real one may.
        cls.server = Server(os.environ["KOVA_SERVER_EXE"], cls.work, cls.database, ["--report-interval", "0"])
        cls.server.add_operator(OPERATOR, cls.password, "admin")
        cls.server.start()
        cls.addClassCleanup(cls.server.stop)
        cls.agent = Agent(os.environ["KOVA_AGENT_EXE"], cls.work / "agent", COMPUTER)
        cls.agent.run_once(cls.server.url, admitted=False)
        cls.server.command("--approve", COMPUTER)
        cls.agent.run_once(cls.server.url)  # known to the server from here on, nothing monitored yet
        api = ConsoleApi(cls.server.url, OPERATOR, cls.password)
        # A reboot far ahead, so that no run of the agent ever tries to restart the test machine.
        api.change_settings(COMPUTER, {"Dir1": str(cls.watched), "Alert1": LOW_LIMIT, "RebootTime": "2099-01-01 03:00:00"})
        cls.agent.run_once(cls.server.url)
        cls.copy_back_in_time()
        api.change_settings(COMPUTER, {"Alert1": HIGH_LIMIT})
        cls.agent.run_once(cls.server.url)
        cls.browser = headless_chromium.start(cls.work)
        cls.addClassCleanup(cls.browser.quit)

    @classmethod
    def copy_back_in_time(cls):
        """The report with the folder, again every six hours of the days before it, starting three hours back."""
        with sqlite3.connect(cls.database, timeout=30) as db:
            columns = [row[1] for row in db.execute("PRAGMA table_info(reports)") if row[1] not in ("id", "received_at")]
            quoted = ", ".join(f'"{c}"' for c in columns)
            newest, received = db.execute("SELECT id, received_at FROM reports ORDER BY id DESC LIMIT 1").fetchone()
            for hours in range(3, DAYS_BACK * 24, 6):
                at = (datetime.fromisoformat(received) - timedelta(hours=hours)).isoformat(timespec="milliseconds")
                db.execute(f"INSERT INTO reports (received_at, {quoted}) SELECT ?, {quoted} FROM reports WHERE id = ?",
                           (at, newest))

    # Helpers -------------------------------------------------------------------------------------------------

    def open_computer(self, **query):
        self.open_view("computer", name=COMPUTER, **query)
        return self.folder_chart()

    def folder_chart(self):
        """The folder chart's axis, its lines and when the browser drew it, once Chart.js has drawn it."""
        script = """
            const canvas = document.querySelector('#charts canvas');
            const chart = canvas && Chart.getChart(canvas);
            if (!chart) return null;
            const x = chart.scales.x;
            return {min: x.min, max: x.max, ticks: x.ticks.map((t) => t.value), now: Date.now(),
                    sets: Object.fromEntries(chart.data.datasets.map((d) => [d.label, d.data]))};"""
        return self.wait_for(lambda b: b.execute_script(script), "the folder chart")

    def pressed(self):
        return [b.text for b in self.browser.find_elements(By.CSS_SELECTOR, "#range-picker button[aria-pressed=true]")]

    def assert_axis_spans(self, chart, hours):
        self.assertAlmostEqual(chart["max"] - chart["min"], hours * HOUR_MS, delta=60 * 1000)
        self.assertLessEqual(chart["max"], chart["now"] + 5000)  # ends now, not in the future
        self.assertGreater(chart["max"], chart["now"] - 60 * 1000)
        self.assertTrue(all(chart["min"] <= tick <= chart["max"] for tick in chart["ticks"]), chart["ticks"])
        self.assertGreaterEqual(len(chart["ticks"]), 3)

    # The flow ----------------------------------------------------------------------------------------------

    def test_operator_picks_ranges_and_reads_the_limit_change(self):
        self.log_in(OPERATOR)
        chart = self.open_computer()
        self.assertEqual(self.pressed(), ["24 h"])
        self.assert_axis_spans(chart, 24)
        self.assertEqual(len(chart["sets"]["Files"]), 6)  # the two real reports and four copies within a day
        self.picture("history-24h")

        self.browser.find_element(By.CSS_SELECTOR, '#range-picker button[value="7d"]').click()
        self.wait_for(lambda b: "range=7d" in b.current_url, "the range in the address")
        self.wait_for(lambda b: len(self.folder_chart()["sets"]["Files"]) == 2 + DAYS_BACK * 4, "the older reports")
        self.browser.refresh()  # the address keeps the range
        chart = self.folder_chart()
        self.assertEqual(self.pressed(), ["7 d"])
        self.assert_axis_spans(chart, 7 * 24)
        self.see_the_limit_change(chart)
        self.picture("history-7d")

        self.pick_custom_range()

    def see_the_limit_change(self, chart):
        markers = chart["sets"]["Limit changed"]
        self.assertEqual(len(markers), 1)
        self.assertEqual((markers[0]["change"]["from"], markers[0]["change"]["to"]), (int(LOW_LIMIT), int(HIGH_LIMIT)))
        self.assertIn(f"{LOW_LIMIT} → {HIGH_LIMIT}", self.element("#charts .limit-changes").text)
        tooltip = self.browser.execute_script("""
            const chart = Chart.getChart(document.querySelector('#charts canvas'));
            const set = chart.data.datasets.findIndex((d) => d.label === 'Limit changed');
            chart.tooltip.setActiveElements([{datasetIndex: set, index: 0}], {x: 0, y: 0});
            chart.update();
            return chart.tooltip.body.flatMap((b) => b.lines);""")
        self.assertIn(f"Limit changed from {LOW_LIMIT} to {HIGH_LIMIT}", tooltip)

    def set_custom(self, start, end):
        # Chromium's datetime fields take typed text in the locale's order; the value is the same everywhere.
        self.browser.execute_script(
            "document.getElementById('range-from').value = arguments[0];"
            "document.getElementById('range-to').value = arguments[1];", start, end)
        self.browser.find_element(By.ID, "range-custom").click()

    def pick_custom_range(self):
        now_ms = self.browser.execute_script("return Date.now()")
        local = lambda ms: self.browser.execute_script(
            "const d = new Date(arguments[0]); return new Date(d - d.getTimezoneOffset() * 60000).toISOString().slice(0, 16);", ms)
        self.set_custom(local(now_ms), local(now_ms - 2 * 24 * HOUR_MS))
        self.assertEqual(self.element("#range-message").text, "The start must come before the end.")
        start = now_ms - 3 * 24 * HOUR_MS
        self.set_custom(local(start), local(now_ms - 24 * HOUR_MS))
        self.wait_for(lambda b: "range=custom" in b.current_url, "the custom range in the address")
        self.browser.refresh()
        chart = self.folder_chart()
        self.assertEqual(self.pressed(), ["Show range"])
        self.assertAlmostEqual(chart["max"] - chart["min"], 2 * 24 * HOUR_MS, delta=60 * 1000)
        self.assertEqual(len(chart["sets"]["Files"]), 8)  # the copies 27 to 69 hours back
        self.assertEqual(chart["sets"]["Limit changed"], [])  # the change came after this range
        self.picture("history-custom")


if __name__ == "__main__":
    unittest.main(verbosity=2)
