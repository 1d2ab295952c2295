"""axe-core injected into a page in the browser: the serious and critical violations it finds.

scripts/setup test-tools installs axe-core from the npm registry into the user's cache, outside the checkout."""
import os
from pathlib import Path

AXE_JS = Path(os.environ.get("XDG_CACHE_HOME") or Path.home() / ".cache") / "kova-oru/axe-core/node_modules/axe-core/axe.min.js"
MISSING = f"axe-core is not installed at {AXE_JS}: run scripts/setup test-tools (it needs npm and the npm registry)"


def available():
    return AXE_JS.is_file()


def violations(browser):
    """Each serious or critical violation on the page as it stands, as 'rule: target (summary)'."""
    if not browser.execute_script("return typeof axe !== 'undefined'"):
        browser.execute_script(AXE_JS.read_text())
    found = browser.execute_async_script(
        "const done = arguments[arguments.length - 1];"
        "axe.run(document, { resultTypes: ['violations'] }).then((r) => done(r.violations), (e) => done(String(e)));")
    if isinstance(found, str):
        raise RuntimeError(f"axe-core failed on the page: {found}")
    return [f"{v['id']}: {node['target']} ({node['failureSummary'].splitlines()[-1].strip()})"
            for v in found if v["impact"] in ("serious", "critical") for node in v["nodes"]]
