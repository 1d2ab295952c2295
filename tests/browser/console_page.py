"""What every console browser test does with its page: open a view, wait for what should appear (with a
picture and the page's text when it does not), type into a field. A test class mixes it in beside
unittest.TestCase and sets `browser`, `server`, `output` (the picture folder) and `picture_prefix`."""

import os
import shutil
import tempfile
from pathlib import Path
from urllib.parse import urlencode

from selenium.common.exceptions import TimeoutException
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions as shown
from selenium.webdriver.support.ui import WebDriverWait

import accessibility
import headless_chromium


class ConsolePage:
    picture_prefix = "console"

    @classmethod
    def make_folders(cls, prefix, folder, files, content=lambda k: "x"):
        """The test's own folder (removed afterwards), the picture folder (KOVA_TEST_OUTPUT, else inside it) and
        a watched folder `folder` holding `files` files; returns the watched folder."""
        cls.work = Path(tempfile.mkdtemp(prefix=prefix))
        cls.addClassCleanup(shutil.rmtree, cls.work, ignore_errors=True)
        cls.output = Path(os.environ.get("KOVA_TEST_OUTPUT", cls.work / "output"))
        cls.output.mkdir(parents=True, exist_ok=True)
        watched = cls.work / folder
        watched.mkdir()
        for k in range(files):
            (watched / f"{folder}-{k}.txt").write_text(content(k))
        return watched

    def open(self, page):
        self.browser.get(f"{self.server.url}/console/{page}")

    def open_view(self, view, **query):
        self.open("console.html?" + urlencode({"view": view, **query}))

    def wait_for(self, condition, what, seconds=20):
        try:
            return WebDriverWait(self.browser, seconds).until(condition)
        except TimeoutException:
            self.picture("failed")
            self.fail(f"waited {seconds} s for {what}; the page said: {self.browser.find_element(By.TAG_NAME, 'body').text[:2000]}")

    def element(self, selector, what=None):
        return self.wait_for(shown.visibility_of_element_located((By.CSS_SELECTOR, selector)), what or selector)

    def text_in(self, selector, text):
        self.wait_for(shown.text_to_be_present_in_element((By.CSS_SELECTOR, selector), text), f"{text!r} in {selector}")
        return self.browser.find_element(By.CSS_SELECTOR, selector)

    def picture(self, name):
        headless_chromium.screenshot(self.browser, self.output / f"{self.picture_prefix}-{name}.png")

    def type_into(self, field_id, text):
        field = self.element(f"#{field_id}")
        field.clear()
        field.send_keys(text)

    def log_in(self, name, shown="#fleet-table"):
        """Logs `name` in from a fresh session with the class's `password` and waits for `shown`."""
        self.browser.delete_all_cookies()
        self.browser.get(f"{self.server.url}/console/")
        self.type_into("name", name)
        self.type_into("password", self.password)
        self.browser.find_element(By.ID, "login-button").click()
        self.element(shown, "the fleet after logging in")

    def assert_every_field_labelled(self):
        unlabelled = self.browser.execute_script(
            "return [...document.querySelectorAll('input, select')].filter((f) => !f.labels.length).map((f) => f.id)")
        self.assertEqual(unlabelled, [])

    def accessible(self, page):
        """No serious or critical axe-core violation on the page as it stands."""
        if accessibility.available():
            self.assertEqual(accessibility.violations(self.browser), [], f"axe-core on the {page} page")
