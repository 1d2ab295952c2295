"""What an operator sees of each computer's state, with real agents reporting through the exchange.

A folder the agent cannot read, a folder over its limit whose raised limit waits for the computer, a computer
silent for three hours and one low on disk: the fleet orders them by severity and filters them, each computer
page tells the same state in words, times carry their zone, and every page passes axe-core's serious and
critical checks. Each page's picture goes to the test output folder.
"""
import os
import secrets
import sqlite3
import unittest
from datetime import datetime, timedelta

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

import accessibility
import headless_chromium
from console_page import ConsolePage
from kovarig import Agent, Server

OPERATOR = "olivia"
UNREADABLE = "READFAIL-PC"
SPOOL = "SPOOL-PC"
QUIET = "QUIET-PC"
FULL = "FULL-PC"
BROWSER_ZONE = "Asia/Kolkata"  # a zone apart from UTC, so that local times differ visibly


class ConsoleStates(ConsolePage, unittest.TestCase):
    picture_prefix = "console-states"

    @classmethod
    def setUpClass(cls):
        cls.spool = cls.make_folders("kova-states-", "spool", 5)
        cls.database = cls.work / "kova-server.sqlite"
        cls.password = secrets.token_urlsafe(12)
        # One agent reports three times within seconds, which the default interval would refuse.
        cls.server = Server(os.environ["KOVA_SERVER_EXE"], cls.work, cls.database, ["--report-interval", "0"],
                            enrolment="open")
        cls.server.add_operator(OPERATOR, cls.password, "admin")
        cls.server.start()
        cls.addClassCleanup(cls.server.stop)
        cls.agents = {name: Agent(os.environ["KOVA_AGENT_EXE"], cls.work / name, name)
                      for name in (UNREADABLE, SPOOL, QUIET, FULL)}
        for agent in cls.agents.values():
            agent.run_once(cls.server.url)  # registered, nothing monitored yet
        zone = os.environ.get("TZ")
        os.environ["TZ"] = BROWSER_ZONE  # the browser's own zone; the server keeps the one it started with
        try:
            cls.browser = headless_chromium.start(cls.work)
        finally:
            os.environ.pop("TZ") if zone is None else os.environ.update(TZ=zone)
        cls.addClassCleanup(cls.browser.quit)

    # Helpers -------------------------------------------------------------------------------------------------

    def configure(self, computer, folder, limit):
        self.open_view("settings", name=computer)
        self.type_into("Dir1", folder)
        self.type_into("Alert1", limit)
        self.type_into("RebootTime", "2099-01-01 03:00:00")  # no run of the agent may restart the test machine
        self.browser.find_element(By.ID, "save-settings").click()
        self.text_in("#save-outcome", "Saved 3 changes")

    def set_own_threshold(self, computer, entry, outcome):
        self.open_view("computer", name=computer)
        self.type_into("disk-threshold", entry)
        self.browser.find_element(By.ID, "disk-threshold-save").click()
        return self.text_in("#disk-threshold-outcome", outcome)

    def silence_for_three_hours(self, computer):
        """Its last report, which came through the exchange, is moved three hours back: the server reads its
        clock, not the test's, so this is how time passes for it."""
        with sqlite3.connect(self.database) as db:
            (stored,) = db.execute("SELECT received_at FROM latest_status WHERE name = ?", (computer,)).fetchone()
            earlier = (datetime.fromisoformat(stored) - timedelta(hours=3, minutes=1)).isoformat(timespec="milliseconds")
            db.execute("UPDATE latest_status SET received_at = ? WHERE name = ?", (earlier, computer))

    def fleet_rows(self):
        # Read in one step: the list may be drawn anew (a filter's answer, the refresh) between two reads.
        script = ("return [...document.querySelectorAll('#fleet-table tbody tr')]"
                  ".map((row) => [row.dataset.computer, row.dataset.state, row.innerText])")
        return [tuple(row) for row in self.wait_for(lambda b: b.execute_script(script), "fleet rows")]

    def folder_row(self, slot=1):
        row = self.element(f'#folders-table tr[data-slot="{slot}"]', f"slot {slot} in the folder table")
        return row.get_attribute("data-state"), row.text

    # The flow --------------------------------------------------------------------------------------------------

    def test_states_as_an_operator_sees_them(self):
        self.log_in(OPERATOR)
        self.configure(UNREADABLE, str(self.work / "no-such-folder"), "10")
        self.configure(SPOOL, str(self.spool), "3")
        for agent in self.agents.values():
            agent.run_once(self.server.url)
        self.silence_for_three_hours(QUIET)
        self.set_own_threshold(FULL, "1000000 GB", "Low disk threshold of FULL-PC: none → 1000000 GB")
        self.see_the_fleet_by_severity()
        self.see_the_unreadable_folder()
        self.raise_a_limit_that_stays_pending()
        self.see_the_low_disk()
        self.see_times_with_their_zone()

    def see_the_fleet_by_severity(self):
        self.open_view("fleet")
        rows = self.fleet_rows()
        self.assertEqual([(name, state) for name, state, _ in rows],
                         [(SPOOL, "alert"), (UNREADABLE, "unreadable"), (QUIET, "silent"), (FULL, "lowdisk")])
        texts = {name: text for name, _, text in rows}
        self.assertIn("1 unreadable", texts[UNREADABLE])
        self.assertIn("Silent for 3 h", texts[QUIET])
        self.assertNotIn("OK", texts[QUIET].split())
        self.assertIn("Low disk", texts[FULL])
        self.accessible("fleet")
        self.picture("fleet")
        self.element("#only-silent").click()
        self.wait_for(lambda b: [name for name, _, _ in self.fleet_rows()] == [QUIET], "only the silent computer")
        self.assertIn("state=silent", self.browser.current_url)
        self.picture("fleet-silent")
        self.element("#show-all").click()
        self.wait_for(lambda b: len(self.fleet_rows()) == 4, "every computer again")

    def see_the_unreadable_folder(self):
        self.open_view("computer", name=UNREADABLE)
        state, text = self.folder_row()
        self.assertEqual(state, "unreadable")
        self.assertIn("Cannot read", text)
        self.text_in("#computer-state", "Cannot read")
        self.accessible("computer")
        self.picture("computer-unreadable")

    def raise_a_limit_that_stays_pending(self):
        self.open_view("computer", name=SPOOL)
        self.assertEqual(self.folder_row()[0], "red")
        self.element('#folders-table tr[data-slot="1"] a').click()  # "Edit limit"
        self.wait_for(lambda b: b.switch_to.active_element.get_attribute("id") == "Alert1", "the limit's field focused")
        self.assertNotIn("reaches", self.element("#group-folders").text)
        self.accessible("settings")
        self.type_into("Alert1", "50")
        self.browser.find_element(By.ID, "save-settings").click()
        self.text_in("#save-outcome", f"Limit of {self.spool} (slot 1): 3 → 50")
        self.picture("settings-saved")

        self.open_view("computer", name=SPOOL)
        state, text = self.folder_row()
        self.assertEqual(state, "red")  # as the computer judged it, until it reports with the new limit
        self.assertIn("50 pending", text)
        self.text_in("#computer-state", "Alert")
        self.picture("computer-pending")
        self.open_view("fleet")
        self.assertIn((SPOOL, "alert"), [(name, state) for name, state, _ in self.fleet_rows()])

        self.agents[SPOOL].run_once(self.server.url)
        self.open_view("computer", name=SPOOL)
        state, text = self.folder_row()
        self.assertEqual(state, "green")
        self.assertNotIn("pending", text)

    def see_the_low_disk(self):
        self.open_view("computer", name=FULL)
        self.text_in("#computer-state", "Low disk")
        self.wait_for(lambda b: b.find_elements(By.CSS_SELECTOR, "#disks-table .state-orange"), "a disk marked low")
        self.accessible("computer with a low disk")
        self.picture("computer-low-disk")
        self.set_own_threshold(FULL, "5 %", "percentage")

    def see_times_with_their_zone(self):
        self.open_view("fleet")
        self.text_in("#fleet-table", "UTC")
        Select(self.element("#time-zone")).select_by_value("local")
        self.text_in("#fleet-table", "GMT+5:30")
        self.open_view("events")  # the choice stays with the browser
        self.text_in("#main", "GMT+5:30")
        self.assertEqual(Select(self.element("#time-zone")).first_selected_option.get_attribute("value"), "local")
        self.picture("events-local-time")
        self.open_view("settings", name=SPOOL)
        self.text_in("label[for=RebootTime]", "the computer's local time")
        self.type_into("SettingTime", "6")
        self.text_in("#interval-text", "9 ticks: a cycle every 6 min")
        Select(self.element("#time-zone")).select_by_value("utc")
        self.text_in("label[for=SettingTime]", "minutes")

    def test_every_page_passes_axe(self):
        if not accessibility.available():
            self.skipTest(accessibility.MISSING)
        self.browser.delete_all_cookies()
        self.browser.get(f"{self.server.url}/console/")
        self.element("#login-form")
        self.accessible("login")
        self.log_in(OPERATOR)
        for view, query in (("fleet", {}), ("computer", {"name": SPOOL}), ("settings", {"name": SPOOL}),
                            ("enrolment", {}), ("audit", {}), ("events", {})):
            self.open_view(view, **query)
            self.element("#main h1", f"the {view} page")
            self.wait_for(lambda b: "Loading" not in b.find_element(By.ID, "main").text, f"the {view} page drawn")
            self.accessible(view)


if __name__ == "__main__":
    unittest.main(verbosity=2)
