// The settings editor of one computer (its fields in settings-form.js).
"use strict";

page.start("settings", async (main) => {
    const name = page.param("name");
    if (!name) return fill(main, page.notice("error", "No computer named in the address."));
    document.title = `Settings of ${name} · KOVA Oru console`;
    const computer = await api.computer(name);
    const form = new SettingsForm(name, computer.settings || {}, !page.canChange());
    fill(main,
        el("div", { class: "page-head" }, el("div", {},
            el("p", { class: "small" }, el("a", { href: page.view("computer", { name }) }, `← ${name}`)),
            el("h1", {}, `Settings of ${name}`))),
        page.notice("info", `A change takes effect at ${name}'s next settings download, at the start of its next monitoring cycle` +
            (computer.nextDownloadWithinSeconds ? ` (within ${duration(computer.nextDownloadWithinSeconds)} while it keeps reporting).` : ".")),
        form.readOnly ? page.notice("info", "You can view these settings; changing them needs an admin operator.") : null,
        form.draw());
    // "Edit limit" on the computer page leads straight to that limit's field.
    const asked = location.hash && document.getElementById(decodeURIComponent(location.hash.slice(1)));
    if (asked) {
        asked.scrollIntoView({ block: "center" });
        asked.focus();
    }
});
