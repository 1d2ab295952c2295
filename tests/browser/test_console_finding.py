"""Finding computers on the fleet page, in headless Chromium against a real server with 231 computers reported
through the exchange: the state chips filter, one search box finds each searched column, a heading sorts and
sorts back, the page size and a jump to a page, the address that brings all of it back on a reload and Back,
a refresh of its own that keeps the operator's place, and axe-core's serious and critical checks.
"""
import os
import secrets
import unittest

from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import Select

import headless_chromium
from console_page import ConsolePage
from fleet_seed import report_fields, seed
from kovarig import Server

OPERATOR = "fiona"
COMPUTERS = 230
ALERTING = 23  # every tenth
SPECIAL = "LAB-ODDONE"
SYSTEMS = ["Linux", "Windows11", "macOS"]


def fleet():
    reports = [report_fields(f"FIND-{k:03d}", alerting=k % 10 == 0, sOS=SYSTEMS[k % 3], sIP=f"10.0.{k // 250}.{k % 250}",
                             sORUVersion=f"2.{k % 12}.0", sDir1=f"C:\\queue{k}") for k in range(COMPUTERS)]
    reports.append(report_fields(SPECIAL, sOS="Plan9", sIP="172.31.4.4", sORUVersion="9.9.9", sDir1="D:\\labdata"))
    return reports


class ConsoleFinding(ConsolePage, unittest.TestCase):
    picture_prefix = "console-finding"

    @classmethod
    def setUpClass(cls):
        cls.make_folders("kova-finding-", "unused", 0)
        password = secrets.token_urlsafe(12)
        cls.server = Server(os.environ["KOVA_SERVER_EXE"], cls.work, cls.work / "kova-server.sqlite", enrolment="open")
        cls.server.add_operator(OPERATOR, password, "viewer")
        cls.server.start()
        cls.addClassCleanup(cls.server.stop)
        seed(cls.server.url, fleet())
        cls.browser = headless_chromium.start(cls.work)
        cls.addClassCleanup(cls.browser.quit)
        cls.browser.get(f"{cls.server.url}/console/")
        cls.browser.find_element(By.ID, "name").send_keys(OPERATOR)
        cls.browser.find_element(By.ID, "password").send_keys(password)
        cls.browser.find_element(By.ID, "login-button").click()

    # Helpers -------------------------------------------------------------------------------------------------

    # Read in one go: the list may be drawn again between two reads of its elements.
    def rows(self, attribute="computer"):
        return self.browser.execute_script(
            "return [...document.querySelectorAll('#fleet-table tbody tr')].map((row) => row.dataset[arguments[0]])",
            attribute)

    def rows_become(self, test, what):
        return self.wait_for(lambda b: test(self.rows()), what)

    def shown_range(self, text):
        self.text_in("#range-top", text)

    def sorted_by(self):
        return self.browser.execute_script(
            "return [...document.querySelectorAll('#fleet-table th[aria-sort]')]"
            ".map((th) => [th.querySelector('button').firstChild.textContent, th.getAttribute('aria-sort')])")

    def search_for(self, text):
        field = self.element("#search")
        field.send_keys(Keys.CONTROL, "a")
        field.send_keys(text or Keys.BACKSPACE)  # typed over, as an operator does; clear() fires no input

    # The flow ------------------------------------------------------------------------------------------------

    def test_finding_computers(self):
        self.element("#fleet-table", "the fleet after logging in")
        self.open_view("fleet", refresh="3600")  # no refresh while the steps before the last read the page
        self.shown_range("1–50 of 231")
        self.chips_filter()
        self.search_finds_each_column()
        self.headings_sort_both_ways()
        self.page_size_and_jump()
        self.address_brings_it_back()
        self.refresh_keeps_the_place()
        self.accessible("fleet")

    def chips_filter(self):
        chip = self.text_in("#only-alert", str(ALERTING))
        self.assertEqual(chip.get_attribute("aria-pressed"), "false")
        chip.click()
        self.shown_range(f"1–{ALERTING} of {ALERTING}")
        self.assertEqual(set(self.rows("state")), {"alert"})
        self.assertEqual(self.element("#only-alert").get_attribute("aria-pressed"), "true")
        self.assertIn("state=alert", self.browser.current_url)
        self.picture("alert-chip")
        self.element("#only-alert").click()  # again: every computer
        self.shown_range("1–50 of 231")
        self.assertEqual(self.element("#only-pending").get_attribute("href").split("?")[-1], "view=enrolment")

    def search_finds_each_column(self):
        for text in ("lab-odd", "plan9", "172.31.4", "labdata", "9.9.9"):
            self.search_for(text)
            self.rows_become(lambda rows: rows == [SPECIAL], f"{SPECIAL} found by {text!r}")
        self.search_for("windows11")
        self.shown_range("1–50 of 77")
        self.picture("search-os")
        self.search_for("")
        self.shown_range("1–50 of 231")

    def headings_sort_both_ways(self):
        self.assertEqual(self.sorted_by(), [["Status", "ascending"]])
        self.element("#sort-name").click()
        self.rows_become(lambda rows: rows[:2] == ["FIND-000", "FIND-001"], "names from A")
        self.assertEqual(self.sorted_by(), [["Computer", "ascending"]])
        self.element("#sort-name").click()
        self.rows_become(lambda rows: rows[:2] == [SPECIAL, "FIND-229"], "names from Z")
        self.assertEqual(self.sorted_by(), [["Computer", "descending"]])

    def page_size_and_jump(self):
        Select(self.element("#size-top")).select_by_value("200")
        self.shown_range("1–200 of 231")
        self.assertEqual(len(self.rows()), 200)
        self.type_into("jump-top", "2")
        self.element("#go-top").click()
        self.shown_range("201–231 of 231")
        self.rows_become(lambda rows: rows[-1] == "FIND-000", "the end of the names from Z")
        self.picture("sorted-page-2")

    def address_brings_it_back(self):
        for query in ("sort=name", "order=desc", "size=200", "page=2"):
            self.assertIn(query, self.browser.current_url)
        self.browser.refresh()
        self.shown_range("201–231 of 231")
        self.assertEqual(self.sorted_by(), [["Computer", "descending"]])
        self.assertEqual(Select(self.element("#size-top")).first_selected_option.get_attribute("value"), "200")
        self.browser.back()  # before the jump
        self.shown_range("1–200 of 231")
        self.browser.forward()
        self.shown_range("201–231 of 231")

    def refresh_keeps_the_place(self):
        self.browser.get(self.browser.current_url.replace("refresh=3600", "refresh=2"))
        Select(self.element("#size-top")).select_by_value("50")
        self.shown_range("1–50 of 231")
        self.element("#next-top").click()
        self.shown_range("51–100 of 231")
        self.browser.execute_script("window.scrollTo(0, 700)")
        self.browser.execute_script("document.getElementById('next-bottom').focus({ preventScroll: true })")
        before = self.element("#fleet-updated").text
        address = self.browser.current_url
        seed(self.server.url, [report_fields("ZZ-NEWCOMER")], first=COMPUTERS + 1)  # the refresh must show it
        self.wait_for(lambda b: self.element("#fleet-updated").text != before and "of 232" in self.element("#range-top").text,
                      "a refresh with the newcomer")
        self.assertEqual(self.browser.execute_script("return document.activeElement.id"), "next-bottom")
        self.assertEqual(self.browser.execute_script("return Math.round(window.scrollY)"), 700)
        self.assertEqual(self.browser.current_url, address)
        self.shown_range("51–100 of 232")
        self.picture("refreshed")


if __name__ == "__main__":
    unittest.main(verbosity=2)
