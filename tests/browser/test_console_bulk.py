"""An admin tags computers and changes their settings together, in real headless Chromium.

Three real agents report; the operator tags two of them on their pages, follows a tag on the fleet to the
fleet filtered by it, plans maintenance for the tag, chooses every computer on that page, previews a change
of two settings (each computer and each change listed, unchanged ones said so), applies it and finds one
audit row per computer and setting. axe-core finds nothing serious on the pages this adds to. Pictures go to
the test output folder.
"""
import os
import secrets
import unittest
from datetime import datetime, timedelta, timezone

from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

import headless_chromium
from console_page import ConsolePage
from kovarig import Agent, Server

OPERATOR = "bea"
COMPUTERS = ["BULK-A", "BULK-B", "BULK-C"]
TAGGED = COMPUTERS[:2]


class ConsoleBulk(ConsolePage, unittest.TestCase):
    picture_prefix = "bulk"

    @classmethod
    def setUpClass(cls):
        cls.make_folders("kova-bulk-", "watched", 1)
        cls.password = secrets.token_urlsafe(12)
        cls.server = Server(os.environ["KOVA_SERVER_EXE"], cls.work, cls.work / "kova-server.sqlite", enrolment="open")
        cls.server.add_operator(OPERATOR, cls.password, "admin")
        cls.server.start()
        cls.addClassCleanup(cls.server.stop)
        for name in COMPUTERS:
            Agent(os.environ["KOVA_AGENT_EXE"], cls.work / name, name).run_once(cls.server.url)
        cls.browser = headless_chromium.start(cls.work)
        cls.addClassCleanup(cls.browser.quit)

    def rows(self):
        return [row.get_attribute("data-computer") for row in self.browser.find_elements(By.CSS_SELECTOR, "#fleet-table tbody tr")]

    def test_tag_filter_select_preview_apply_and_audit(self):
        self.log_in(OPERATOR)
        self.tag_computers()
        self.follow_a_tag()
        self.plan_maintenance_for_the_tag()
        self.change_settings_of_the_tagged()
        self.read_the_audit()

    def tag_computers(self):
        self.open_view("computer", name=TAGGED[0])
        self.text_in("#no-tags", "No tag.")
        self.type_into("tags-input", "web, rack#7")
        self.browser.find_element(By.ID, "save-tags").click()
        self.text_in("#tags-outcome", '"rack#7" is not a tag')
        self.type_into("tags-input", "Web, berlin")
        self.browser.find_element(By.ID, "save-tags").click()
        self.text_in("#computer-tags", "berlin")
        self.assertEqual([a.text for a in self.browser.find_elements(By.CSS_SELECTOR, "#computer-tags a.tag")], ["berlin", "web"])
        self.accessible("computer")
        self.picture("computer-tags")
        self.open_view("computer", name=TAGGED[1])
        self.type_into("tags-input", "web")
        self.browser.find_element(By.ID, "save-tags").click()
        self.text_in("#computer-tags", "web")

    def follow_a_tag(self):
        self.open_view("fleet")
        self.element(f'#fleet-table tr[data-computer="{TAGGED[0]}"] a.tag')
        self.assertCountEqual(self.rows(), COMPUTERS)
        self.browser.find_element(By.CSS_SELECTOR, f'#fleet-table tr[data-computer="{TAGGED[0]}"] a.tag[href*="tag=web"]').click()
        self.element("#tag-panel", "the tag's maintenance on the filtered fleet")
        self.wait_for(lambda b: sorted(self.rows()) == TAGGED, "only the tagged computers")
        self.assertIn("tag=web", self.browser.current_url)

    def plan_maintenance_for_the_tag(self):
        for field, moment in (("maintenance-from", datetime.now(timezone.utc) - timedelta(minutes=1)),
                              ("maintenance-to", datetime.now(timezone.utc) + timedelta(hours=1))):
            self.browser.execute_script("document.getElementById(arguments[0]).value = arguments[1]",
                                        field, moment.astimezone().strftime("%Y-%m-%dT%H:%M"))
        self.type_into("maintenance-note", "switch firmware")
        self.browser.find_element(By.ID, "plan-maintenance").click()
        self.text_in("#tag-maintenance", "switch firmware")
        self.open_view("fleet", tag="web")
        for name in TAGGED:
            self.assertIn("Maintenance", self.element(f'#fleet-table tr[data-computer="{name}"]').text)
        self.accessible("fleet filtered by a tag")
        self.picture("fleet-tag")

    def change_settings_of_the_tagged(self):
        self.text_in("#selection-bar", "Choose computers")
        self.browser.find_element(By.ID, "select-page").click()
        self.text_in("#selected-count", "2 computers selected.")
        self.picture("fleet-selected")
        self.browser.find_element(By.ID, "change-selected").click()
        self.text_in("#bulk-target", "2 computers: ")
        self.accessible("bulk change")
        for key, value in (("LogFlag", "1"), ("SettingTime", "3")):
            Select(self.element("#bulk-setting")).select_by_value(key)
            self.browser.find_element(By.ID, "add-setting").click()
            self.type_into(key, value)
        self.browser.find_element(By.ID, "preview-bulk").click()
        table = self.text_in("#bulk-preview", "Monitoring interval")
        rows = [row.text for row in table.find_elements(By.CSS_SELECTOR, "tbody tr")]
        self.assertEqual(len(rows), 4, rows)  # each computer, each setting
        self.assertTrue(all("→" in row for row in rows), rows)
        self.text_in("#bulk-plan", "settings change over 2 computers")
        self.accessible("bulk preview")
        self.picture("preview")
        self.browser.find_element(By.ID, "apply-bulk").click()
        self.text_in("#bulk-outcome", "Saved 4 changes on 2 computers")
        self.picture("applied")

    def read_the_audit(self):
        self.browser.find_element(By.ID, "bulk-audit").click()
        table = self.element("#audit-table")
        changed = sorted((cells[2], cells[3]) for cells in (
            [cell.text for cell in row.find_elements(By.TAG_NAME, "td")] for row in table.find_elements(By.CSS_SELECTOR, "tbody tr"))
            if cells[3] in ("LogFlag", "SettingTime"))
        self.assertEqual(changed, [(name, key) for name in TAGGED for key in ("LogFlag", "SettingTime")])
        self.picture("audit")


if __name__ == "__main__":
    unittest.main(verbosity=2)
