"""An operator steers a real agent through the console in real headless Chromium.

The agent reports a folder over its limit, the operator sees it red, raises the limit in the settings editor,
the agent's next run picks the new limit up and the alert clears in its report and on the page; the change
stands in the audit; the operator logs out. Each page's picture goes to the test output folder.
"""
import os
import secrets
import unittest

from selenium.webdriver.common.by import By

import headless_chromium
from console_page import ConsolePage
from kovarig import Agent, Server

COMPUTER = "BROWSER-PC"
NEWCOMER = "WAITING-PC"
OPERATOR = "olivia"
VIEWER = "victor"
FILES_IN_FOLDER = 5
LOW_LIMIT = "3"    # under the folder's five files: red
HIGH_LIMIT = "50"  # well above them: green
RED = "rgba(192, 57, 43, 1)"
GREEN = "rgba(30, 107, 63, 1)"


class ConsoleFlow(ConsolePage, unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.watched = cls.make_folders("kova-browser-", "watched", FILES_IN_FOLDER, lambda k: "x" * (k + 1) * 100)

        cls.password = secrets.token_urlsafe(12)
        cls.server = Server(os.environ["KOVA_SERVER_EXE"], cls.work, cls.work / "kova-server.sqlite")
        cls.server.add_operator(OPERATOR, cls.password, "admin")
        cls.server.add_operator(VIEWER, cls.password, "viewer")
        cls.server.start()
        cls.addClassCleanup(cls.server.stop)
        cls.agent = Agent(os.environ["KOVA_AGENT_EXE"], cls.work / "agent", COMPUTER)
        # The computer asks, is approved from the command line, then gets its key and reports with nothing
        # monitored yet.
        cls.agent.run_once(cls.server.url, admitted=False)
        cls.server.command("--approve", COMPUTER)
        cls.agent.run_once(cls.server.url)
        cls.browser = headless_chromium.start(cls.work)
        cls.addClassCleanup(cls.browser.quit)

    # Helpers -------------------------------------------------------------------------------------------------








    def save_settings(self, expected):
        self.browser.find_element(By.ID, "save-settings").click()
        return self.text_in("#save-outcome", expected)

    def folder_state(self):
        row = self.element('#folders-table tr[data-slot="1"]', "slot 1 in the folder table")
        badge = row.find_element(By.CSS_SELECTOR, ".state")
        return row.get_attribute("data-state"), badge.text, badge.value_of_css_property("color")

    def see_on_the_fleet_page(self, computer, status, folders, picture):
        self.open_view("fleet")
        row = self.element(f'#fleet-table tr[data-computer="{computer}"]')
        self.assertIn(status, row.text)
        self.assertIn(folders, row.text)
        self.picture(picture)

    def run_agent(self):
        output, seconds = self.agent.run_once(self.server.url)
        print(f"agent run took {seconds:.2f} s")
        self.assertNotIn("A reboot was scheduled", output)
        return output

    # The flow --------------------------------------------------------------------------------------------------

    def test_operator_raises_a_limit_and_the_alert_clears(self):
        self.log_in(OPERATOR)
        self.configure_the_folder_with_a_low_limit()
        self.assertIn("ALERT! There were alerts found:", self.run_agent())
        self.see_the_folder_red()
        self.raise_the_limit()
        self.assertNotIn("ALERT!", self.run_agent())
        self.see_the_alert_cleared()
        self.see_the_audit_rows()
        self.log_out()

    def log_in(self, name):
        self.browser.delete_all_cookies()  # each test starts logged out
        self.open("")
        self.element("#login-form")
        self.assert_every_field_labelled()
        self.picture("login")
        self.type_into("name", name)
        self.type_into("password", "not the password")
        self.browser.find_element(By.ID, "login-button").click()
        self.text_in("#login-message", "Wrong name or password")
        self.picture("login-refused")
        self.type_into("password", self.password)
        self.browser.find_element(By.ID, "login-button").click()
        self.element(f'#fleet-table tr[data-computer="{COMPUTER}"]', "the agent's computer on the fleet page")
        self.assertEqual(self.element("#operator-name").text, name)
        self.text_in("#failed-logins", "1 failed login under your name")  # the wrong try above

    def configure_the_folder_with_a_low_limit(self):
        self.picture("fleet-first-report")
        self.element(f'#fleet-table tr[data-computer="{COMPUTER}"] a').click()
        self.text_in("#folders-heading + p", "No folder is monitored")
        self.element("#edit-settings").click()
        self.type_into("Dir1", str(self.watched))
        self.type_into("Alert1", LOW_LIMIT)
        # A scheduled reboot far ahead, so that no run of the agent ever tries to restart the test machine.
        self.type_into("RebootTime", "2099-01-01 03:00:00")
        self.save_settings("Saved 3 changes")

    def see_the_folder_red(self):
        self.open_view("computer", name=COMPUTER)
        self.assertEqual(self.folder_state(), ("red", "Over limit", RED))
        self.text_in("#agent-message", f"contains {FILES_IN_FOLDER} files (Alert:{LOW_LIMIT})")
        self.text_in("#charts", f"Folder 1: {self.watched}")
        self.assertTrue(self.browser.execute_script(  # Chart.js came from the server and drew
            "return [...document.querySelectorAll('#charts canvas')].every((c) => Chart.getChart(c))"))
        self.picture("computer-over-limit")
        self.see_on_the_fleet_page(COMPUTER, "Alert", "1 over", "fleet-alert")

    def raise_the_limit(self):
        self.open_view("settings", name=COMPUTER)
        self.element("#Alert1", "the settings form")  # drawn once its settings have arrived
        self.assert_every_field_labelled()
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "#settings-form input, #settings-form select")), 28)
        self.type_into("Alert1", "lots")  # not a number: refused, with the reason beside the field
        self.save_settings("Nothing was saved")
        self.assertEqual(self.element("#Alert1").get_attribute("aria-invalid"), "true")
        self.assertTrue(self.element("#Alert1-reason").text)
        self.picture("settings-refused")
        self.type_into("Alert1", HIGH_LIMIT)
        self.save_settings(f"Saved 1 change: Limit of {self.watched} (slot 1): {LOW_LIMIT} → {HIGH_LIMIT}")
        self.assertEqual(self.element("#Alert1").get_attribute("aria-invalid"), "false")
        self.assertIn("next settings download", self.browser.find_element(By.ID, "main").text)
        self.picture("settings-saved")

    def see_the_alert_cleared(self):
        self.open_view("computer", name=COMPUTER)
        self.assertEqual(self.folder_state(), ("green", "Normal", GREEN))
        self.text_in("#agent-message", "System OK.")
        self.assertEqual(len(self.browser.find_elements(By.CSS_SELECTOR, "#reports-table tbody tr")), 3)
        self.picture("computer-cleared")
        self.see_on_the_fleet_page(COMPUTER, "OK", "0 over", "fleet-cleared")
        self.type_into("search", "no-such-name")
        self.text_in("#fleet", "No computer matches")
        self.type_into("search", COMPUTER.lower()[:5])  # part of the name, any case
        self.element(f'#fleet-table tr[data-computer="{COMPUTER}"]', "the computer found by a search")
        self.assertIn(f"search={COMPUTER.lower()[:5]}", self.browser.current_url)

    def see_the_audit_rows(self):
        self.open_view("audit", computer=COMPUTER, operator=OPERATOR)
        rows = [r.text for r in self.wait_for(
            lambda b: b.find_elements(By.CSS_SELECTOR, "#audit-table tbody tr"), "audit rows")]
        self.assertIn(f"{OPERATOR} {COMPUTER} Alert1 {LOW_LIMIT} {HIGH_LIMIT}", rows[0])  # newest first
        self.assertTrue(any(f"Dir1 (empty) {self.watched}" in row for row in rows), rows)
        self.picture("audit")
        self.type_into("filter-operator", "nobody")
        self.browser.find_element(By.ID, "filter-audit").click()
        self.text_in("#audit", "No change matches.")

    def log_out(self):
        self.element("#logout").click()
        self.text_in("#login-message", "You are logged out.")
        self.picture("logged-out")
        self.open_view("fleet")  # the session is gone: back to the login page
        self.element("#login-form", "the login page after logging out")
        self.assertIn("next=console.html%3Fview%3Dfleet", self.browser.current_url)

    def test_an_admin_approves_a_waiting_computer(self):
        newcomer = Agent(os.environ["KOVA_AGENT_EXE"], self.work / "newcomer", NEWCOMER)
        newcomer.run_once(self.server.url, admitted=False)
        self.log_in(OPERATOR)
        self.open_view("enrolment")
        self.element(f'#pending-table tr[data-computer="{NEWCOMER}"]', "the waiting computer")
        self.picture("enrolment-waiting")
        self.element(f'button[aria-label="Approve {NEWCOMER}"]').click()
        question = self.browser.switch_to.alert  # approval admits the key that asked: its fingerprint is shown
        self.assertRegex(question.text, r"fingerprint [0-9a-f]{4}(-[0-9a-f]{4}){3}")
        question.accept()
        self.text_in("#enrolment-outcome", f"{NEWCOMER} is approved.")
        self.text_in("#pending", "No computer is waiting for approval.")
        self.picture("enrolment-approved")
        newcomer.run_once(self.server.url)  # its first key comes with these settings
        self.see_on_the_fleet_page(NEWCOMER, "OK", "0 over", "fleet-newcomer")
        self.use_the_key_form(NEWCOMER, "reset-key", f"The key of {NEWCOMER} is reset")
        newcomer.run_once(self.server.url, admitted=False)  # its key no longer counts: it must enrol again
        self.open_view("enrolment")
        self.element(f'#pending-table tr[data-computer="{NEWCOMER}"]', "the computer waiting again")
        self.picture("enrolment-waiting-again")
        self.use_the_key_form(COMPUTER, "allow-without-key", f"{COMPUTER} may now exchange without a key")

    def use_the_key_form(self, computer, button, outcome):
        self.open_view("enrolment")
        self.type_into("key-computer", computer)
        self.browser.find_element(By.ID, button).click()
        self.browser.switch_to.alert.accept()  # the confirmation
        self.text_in("#enrolment-outcome", outcome)

    def test_login_backoff_is_stated_on_the_page(self):
        self.browser.delete_all_cookies()
        self.open("")
        self.type_into("name", "mallory")
        for _ in range(6):  # the sixth try comes while the name must wait
            self.type_into("password", "guess")
            self.browser.find_element(By.ID, "login-button").click()
            self.wait_for(lambda b: b.find_element(By.ID, "login-button").is_enabled(), "the answer to a login")
        self.text_in("#login-message", "try again in")
        self.picture("login-backoff")

    def test_viewer_sees_settings_but_cannot_change_them(self):
        self.log_in(VIEWER)
        self.assertEqual(self.element("#operator-name + .role").text, "(viewer)")
        self.open_view("computer", name=COMPUTER)
        self.element("#edit-settings", "the settings link").click()
        self.text_in("#main", "changing them needs an admin operator")
        self.assertFalse(self.element("#Alert1").is_enabled())
        self.assertEqual(self.browser.find_elements(By.ID, "save-settings"), [])
        self.picture("settings-viewer")
        self.open_view("enrolment")
        self.element("#pending-heading")
        self.assertEqual(self.browser.find_elements(By.ID, "reset-key"), [])
        self.element("#logout").click()
        self.text_in("#login-message", "You are logged out.")


if __name__ == "__main__":
    unittest.main(verbosity=2)
