"""Debian's Chromium driven headless by Debian's chromedriver, with a profile of its own."""
import tempfile
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

# Running as root needs --no-sandbox; the rest keep the browser from reaching anything but the test's server.
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--window-size=1280,900"]


def start(folder):
    """A browser whose profile and driver log live in folder; quit() it in every outcome."""
    for program in ("/usr/bin/chromium", "/usr/bin/chromedriver"):
        if not Path(program).exists():
            raise RuntimeError(f"{program} is missing: scripts/setup installs chromium and chromium-driver")
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + tempfile.mkdtemp(dir=folder, prefix="profile-"))
    service = Service("/usr/bin/chromedriver", log_path=str(Path(folder) / "chromedriver.log"))
    return webdriver.Chrome(service=service, options=options)


def screenshot(browser, path):
    """The whole page, not only the window: the window grows to the page's height for the picture."""
    height = browser.execute_script("return document.documentElement.scrollHeight")
    browser.set_window_size(1280, min(max(900, height + 100), 4000))
    browser.execute_script("window.scrollTo(0, 0)")
    try:
        browser.save_screenshot(str(path))
    finally:
        browser.set_window_size(1280, 900)
