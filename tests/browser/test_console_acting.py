"""An operator acts on a real agent's alerts in real headless Chromium.

A real agent reports a folder over its limit; the operator acknowledges the alert and sees who did it on the
computer page and the fleet; plans maintenance, during which a new alert is recorded but sent to no
receiver and the acknowledgement no longer covers the changed alert; filters the events page, follows an
enrolment event to the enrolment page and downloads the same selection as CSV; adds a webhook receiver,
tests it and disables it, while the one given on the command line stays read-only. Pictures go to the test
output folder and, when KOVA_SHOTS is set, there too.
"""
import http.server
import json
import os
import secrets
import threading
import unittest
import urllib.request
from datetime import datetime, timedelta, timezone
from http.cookiejar import CookieJar

from selenium.webdriver.common.by import By

import headless_chromium
from console_page import ConsolePage
from kovarig import Agent, Server

COMPUTER = "ACTING-PC"
AGENT_ROW = f'#fleet-table tr[data-computer="{COMPUTER}"]'  # the agent's computer on the fleet page
OPERATOR = "olga"
VIEWER = "vera"
LOW_LIMIT = "3"
FILES_IN_FOLDER = 5


class Receiver(http.server.ThreadingHTTPServer):
    """A webhook receiver on loopback that keeps every body it is sent and answers 200."""

    def __init__(self):
        self.bodies = []

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_POST(handler):
                body = handler.rfile.read(int(handler.headers.get("Content-Length", 0)))
                self.bodies.append(json.loads(body))
                handler.send_response(200)
                handler.send_header("Content-Length", "6")
                handler.end_headers()
                handler.wfile.write(b"thanks")

            def log_message(handler, *args):
                pass

        super().__init__(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server_address[1]}/hook"
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def types(self):
        return [body["type"] for body in self.bodies]


class ConsoleClient:
    """The console's API as a script uses it, to set the agent's folders up before the operator looks."""

    def __init__(self, url, name, password):
        self.url = url
        self.opener = urllib.request.build_opener(urllib.request.HTTPCookieProcessor(CookieJar()))
        self.csrf = self.call("POST", "/session", {"name": name, "password": password})["csrfToken"]

    def call(self, method, path, body=None):
        request = urllib.request.Request(self.url + "/api/v1" + path, method=method,
                                         data=None if body is None else json.dumps(body).encode(),
                                         headers={"Content-Type": "application/json",
                                                  "X-CSRF-Token": getattr(self, "csrf", "")})
        with self.opener.open(request, timeout=10) as reply:
            return json.loads(reply.read() or b"{}")


def local_field(moment):
    """A datetime-local field's value for a moment: the browser runs in this process's time zone."""
    return moment.astimezone().strftime("%Y-%m-%dT%H:%M")


class ConsoleActing(ConsolePage, unittest.TestCase):
    picture_prefix = "acting"

    @classmethod
    def setUpClass(cls):
        cls.watched = cls.make_folders("kova-acting-", "watched", FILES_IN_FOLDER)

        cls.receiver = Receiver()
        cls.addClassCleanup(cls.receiver.shutdown)
        secret_file = cls.work / "webhook.secret"
        secret_file.write_text(secrets.token_hex(16) + "\n")
        cls.password = secrets.token_urlsafe(12)
        # The agent reports three times within seconds, which the default interval would refuse.
        cls.server = Server(os.environ["KOVA_SERVER_EXE"], cls.work, cls.work / "kova-server.sqlite",
                            extra=["--webhook", cls.receiver.url, "--webhook-secret-file", str(secret_file),
                                   "--metrics-allow", "127.0.0.1", "--report-interval", "0"])
        cls.server.add_operator(OPERATOR, cls.password, "admin")
        cls.server.add_operator(VIEWER, cls.password, "viewer")
        cls.server.start()
        cls.addClassCleanup(cls.server.stop)
        cls.agent = Agent(os.environ["KOVA_AGENT_EXE"], cls.work / "agent", COMPUTER)
        cls.agent.run_once(cls.server.url, admitted=False)  # asks to enrol: an enrolment event
        cls.server.command("--approve", COMPUTER)
        cls.agent.run_once(cls.server.url)
        cls.api = ConsoleClient(cls.server.url, OPERATOR, cls.password)
        cls.api.call("PUT", f"/computers/{COMPUTER}/settings",
                     {"Dir1": str(cls.watched), "Alert1": LOW_LIMIT, "RebootTime": "2099-01-01 03:00:00"})
        output, _ = cls.agent.run_once(cls.server.url)
        assert "ALERT!" in output, output
        cls.browser = headless_chromium.start(cls.work)
        cls.addClassCleanup(cls.browser.quit)

    # Helpers -------------------------------------------------------------------------------------------------

    def set_moment(self, field_id, moment):
        self.browser.execute_script("document.getElementById(arguments[0]).value = arguments[1]",
                                    field_id, local_field(moment))

    # The flow --------------------------------------------------------------------------------------------------

    def test_operator_acknowledges_plans_maintenance_and_reads_the_events(self):
        self.log_in(OPERATOR, AGENT_ROW)
        self.acknowledge_the_alert()
        self.plan_maintenance_and_raise_another_alert()
        self.read_the_events()

    def acknowledge_the_alert(self):
        self.open_view("computer", name=COMPUTER)
        self.text_in("#not-acknowledged", "No acknowledgement stands")
        self.assert_every_field_labelled()
        self.type_into("ack-note", "")
        self.browser.find_element(By.ID, "acknowledge").click()  # the browser asks for the note first
        self.assertEqual(self.browser.find_elements(By.ID, "acknowledged"), [])
        self.type_into("ack-note", "replacing the disk")
        self.set_moment("ack-until", datetime.now(timezone.utc) - timedelta(hours=1))
        self.browser.find_element(By.ID, "acknowledge").click()
        self.text_in("#actions-outcome", "until is already past")
        self.set_moment("ack-until", datetime.now(timezone.utc) + timedelta(hours=2))
        self.browser.find_element(By.ID, "acknowledge").click()
        line = self.text_in("#acknowledged", f"Acknowledged by {OPERATOR}, ").text
        # A moment on another day than today carries its date ("8 Dec 00:34 UTC"), as two hours on can be.
        self.assertRegex(line, r"\d\d:\d\d UTC, until (\d\d? \w{3} )?\d\d:\d\d UTC — replacing the disk")
        self.text_in("h1", "Acknowledged")
        self.picture("computer-acknowledged")
        self.open_view("fleet")
        row = self.element(f'#fleet-table tr[data-computer="{COMPUTER}"]')
        self.assertIn(f"Acknowledged by {OPERATOR}", row.text)
        self.picture("fleet-acknowledged")
        self.wait_for(lambda b: "alert_acknowledged" in self.receiver.types(), "the acknowledgement told")
        self.assertEqual(self.server.metrics().get(f'kova_computer_acknowledged{{computer="{COMPUTER}"}}'), 1)

    def plan_maintenance_and_raise_another_alert(self):
        self.open_view("computer", name=COMPUTER)
        self.text_in("#no-windows", "No maintenance planned.")
        self.set_moment("maintenance-from", datetime.now(timezone.utc) - timedelta(minutes=1))
        self.set_moment("maintenance-to", datetime.now(timezone.utc) + timedelta(hours=1))
        self.type_into("maintenance-note", "firmware update")
        self.browser.find_element(By.ID, "plan-maintenance").click()
        self.text_in("#maintenance-table", "firmware update")
        self.text_in("h1", "Maintenance")
        self.assertEqual(self.server.metrics().get(f'kova_computer_maintenance{{computer="{COMPUTER}"}}'), 1)
        told = len(self.receiver.bodies)
        # A second folder over its limit during the window: recorded, told to nobody, and a different alert
        # from the one acknowledged.
        self.api.call("PUT", f"/computers/{COMPUTER}/settings", {"Dir2": str(self.watched), "Alert2": LOW_LIMIT})
        self.agent.run_once(self.server.url)
        self.open_view("computer", name=COMPUTER)
        self.text_in("#not-acknowledged", "No acknowledgement stands")
        self.picture("computer-maintenance")
        self.open_view("fleet")
        row = self.element(f'#fleet-table tr[data-computer="{COMPUTER}"]')
        self.assertIn("Maintenance", row.text)
        self.assertNotIn("Acknowledged", row.text)
        self.picture("fleet-maintenance")
        self.assertEqual(len(self.receiver.bodies), told)

    def read_the_events(self):
        self.open_view("events")
        self.assert_every_field_labelled()
        self.text_in("#events-table", "In maintenance: sent to no receiver")
        enrolment = self.element('#events-table tr[data-type="enrolment_pending"] a')
        self.assertIn("view=enrolment", enrolment.get_attribute("href"))
        over = self.browser.find_elements(By.CSS_SELECTOR, '#events-table tr[data-type="folder_over_limit"]')
        self.assertEqual(len(over), 2)
        self.assertIn(f"{self.watched} 5 3", over[0].text)
        self.picture("events")
        self.browser.execute_script("document.getElementById('filter-type').value = 'alert_acknowledged'")
        self.browser.find_element(By.ID, "apply-filters").click()
        self.wait_for(lambda b: len(b.find_elements(By.CSS_SELECTOR, "#events-table tbody tr")) == 1, "one event")
        self.text_in("#events-table", f"{OPERATOR}: replacing the disk")
        self.picture("events-filtered")
        csv = self.browser.execute_async_script(
            "const done = arguments[0]; fetch(document.getElementById('export-csv').href)"
            ".then((r) => r.text()).then(done)")
        lines = csv.strip().split("\r\n")
        self.assertEqual(len(lines), 2, csv)
        self.assertIn(f",alert_acknowledged,{COMPUTER},", lines[1])
        self.assertFalse(self.element("#older-events").is_enabled())  # one page only
        self.open_view("events")
        self.element('#events-table tr[data-type="enrolment_pending"] a').click()
        self.element("#pending-heading", "the enrolment page")

    def test_admin_adds_tests_and_disables_a_receiver(self):
        self.log_in(OPERATOR, AGENT_ROW)
        self.browser.find_element(By.LINK_TEXT, "Webhooks").click()
        fixed = self.element(f'#receivers-table tr[data-url="{self.receiver.url}"]', "the command line's receiver")
        self.assertIn("Set on the command line", fixed.text)
        self.assertEqual(fixed.find_elements(By.TAG_NAME, "button"), [])
        self.assert_every_field_labelled()
        added = self.receiver.url.replace("/hook", "/console-hook")
        secret = secrets.token_hex(12)
        self.type_into("receiver-url", "not a url")
        self.type_into("receiver-secret", secret)
        self.browser.find_element(By.ID, "add-receiver-button").click()
        self.text_in("#receivers-outcome", "needs an http or https URL")
        self.type_into("receiver-url", added)
        self.type_into("receiver-secret", secret)
        self.browser.find_element(By.ID, "add-receiver-button").click()
        self.text_in("#receivers-outcome", f"{added} is added")
        self.element(f'button[aria-label="Test {added}"]').click()
        self.text_in("#receivers-outcome", f"{added} answered: HTTP 200: thanks")
        self.assertIn("webhook_test", self.receiver.types())
        self.text_in(f'#receivers-table tr[data-url="{added}"]', "HTTP 200: thanks")
        self.picture("webhooks-tested")
        listed = self.browser.execute_async_script(
            "const done = arguments[0]; fetch('/api/v1/webhooks').then((r) => r.text()).then(done)")
        self.assertIn(added, listed)
        self.assertNotIn(secret, listed)  # the secret went in and never comes out
        self.element(f'button[aria-label="Disable {added}"]').click()
        self.browser.switch_to.alert.accept()
        self.text_in(f'#receivers-table tr[data-url="{added}"]', "Disabled")
        self.picture("webhooks-disabled")

    def test_viewer_sees_the_acknowledgement_but_cannot_act(self):
        self.log_in(VIEWER, AGENT_ROW)
        self.open_view("computer", name=COMPUTER)
        self.element("#alert-actions")
        self.assertEqual(self.browser.find_elements(By.ID, "acknowledge-form"), [])
        self.assertEqual(self.browser.find_elements(By.ID, "maintenance-form"), [])
        self.assertEqual(self.browser.find_elements(By.LINK_TEXT, "Webhooks"), [])
        self.open_view("webhooks")
        self.text_in("#main", "Only an admin may see and change the webhook receivers.")


if __name__ == "__main__":
    unittest.main(verbosity=2)
