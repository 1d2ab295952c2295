// The settings editor: the 28 settings in plain words; only what the operator changed is sent, and the
// server's reasons for refusing a value are shown beside that value.
"use strict";

const groups = [
    ["monitoring", "Monitoring"],
    ["folders", "Monitored folders"],
    ["reboot", "Reboots"],
    ["update", "Self-update"],
    ["kept", "Kept for the agent"],
];

function duration(seconds) {
    const minutes = Math.floor(seconds / 60);
    return `${minutes ? `${minutes} min ` : ""}${seconds % 60 ? `${seconds % 60} s` : ""}`.trim();
}

function intervalText(ticks) {
    const number = Number(ticks);
    if (ticks === "" || !Number.isInteger(number) || number < 0) return "";
    return `A cycle every ${duration((number + 1) * 36)}.`;
}

class SettingsForm {
    constructor(name, settings, readOnly) {
        this.name = name;
        this.saved = { ...settings };
        this.readOnly = readOnly;
        this.inputs = new Map();
        this.reasons = new Map();
    }

    input(meaning) {
        const common = { id: meaning.key, name: meaning.key, "aria-describedby": `${meaning.key}-hint ${meaning.key}-reason`, disabled: this.readOnly };
        const value = this.saved[meaning.key] ?? "";
        let input;
        if (meaning.choices) {
            input = el("select", common, meaning.choices.map(([v, text]) => el("option", { value: v, selected: v === value }, text)));
        } else {
            input = el("input", { ...common, type: "text", value, spellcheck: "false",
                inputmode: /^(Alert|SettingTime|AutoRebootTime)/.test(meaning.key) ? "numeric" : false });
        }
        this.inputs.set(meaning.key, input);
        this.reasons.set(meaning.key, el("span", { class: "reason", id: `${meaning.key}-reason`, "aria-live": "polite" }));
        return input;
    }

    field(meaning) {
        const input = this.input(meaning);
        const extra = meaning.key === "SettingTime" ? el("span", { class: "hint", id: "interval-text" }, intervalText(input.value)) : null;
        if (extra) input.addEventListener("input", () => { extra.textContent = intervalText(input.value); });
        return el("div", { class: "field" },
            el("label", { for: meaning.key }, meaning.label),
            input, extra,
            el("span", { class: "hint", id: `${meaning.key}-hint` }, meaning.hint),
            this.reasons.get(meaning.key));
    }

    folderRows() {
        const meanings = settingMeanings.filter((m) => m.group === "folders");
        const rows = [];
        for (let slot = 1; slot <= 10; slot += 1) {
            const [dir, limit] = ["Dir", "Alert"].map((prefix) => meanings.find((m) => m.key === `${prefix}${slot}`));
            const cell = (meaning) => el("td", { class: meaning === limit ? "limit" : false },
                el("label", { for: meaning.key, class: "visually-hidden" }, meaning.label),
                this.input(meaning),
                el("span", { class: "visually-hidden", id: `${meaning.key}-hint` }, meaning.hint),
                this.reasons.get(meaning.key));
            rows.push(el("tr", {}, el("td", { class: "slot" }, slot), cell(dir), cell(limit)));
        }
        const [dirHint, limitHint] = ["Dir1", "Alert2"].map((key) => meanings.find((m) => m.key === key).hint);
        return [
            el("p", { class: "small muted" }, el("strong", {}, "Folder: "), dirHint),
            el("p", { class: "small muted" }, el("strong", {}, "Limit: "), limitHint, " Slot 1 is red already when the count reaches its limit."),
            el("table", { class: "folder-table" },
                el("thead", {}, el("tr", {}, el("th", { scope: "col" }, "Slot"), el("th", { scope: "col" }, "Folder"), el("th", { scope: "col" }, "Limit (files)"))),
                el("tbody", {}, rows)),
        ];
    }

    section(group, title) {
        const body = group === "folders" ? this.folderRows()
            : el("div", { class: "settings-grid" }, settingMeanings.filter((m) => m.group === group).map((m) => this.field(m)));
        return el("fieldset", { class: "panel", id: `group-${group}` }, el("legend", {}, el("h2", {}, title)), body);
    }

    changes() {
        const changed = {};
        for (const [key, input] of this.inputs) {
            if (input.value !== (this.saved[key] ?? "")) changed[key] = input.value;
        }
        return changed;
    }

    showReasons(reasons) {
        for (const [key, reasonNode] of this.reasons) {
            const reason = reasons[key] || "";
            reasonNode.textContent = reason.charAt(0).toUpperCase() + reason.slice(1);
            this.inputs.get(key).setAttribute("aria-invalid", reason ? "true" : "false");
        }
        const first = Object.keys(reasons).find((key) => this.inputs.has(key));
        if (first) this.inputs.get(first).focus();
    }

    undo() {
        for (const [key, input] of this.inputs) input.value = this.saved[key] ?? "";
        this.showReasons({});
        document.getElementById("interval-text").textContent = intervalText(this.saved.SettingTime);
    }

    async save(outcome) {
        const changes = this.changes();
        if (!Object.keys(changes).length) {
            fill(outcome, page.notice("info", "Nothing changed, nothing to save."));
            return;
        }
        try {
            const reply = await api.saveSettings(this.name, changes);
            this.saved = { ...this.saved, ...changes, ...(reply.settings || {}) };
            this.showReasons({});
            const count = Object.keys(changes).length;
            fill(outcome, page.notice("ok",
                `Saved ${count} change${count === 1 ? "" : "s"} (${Object.keys(changes).join(", ")}). ${count === 1 ? "It takes" : "They take"} effect at ${this.name}'s next settings download.`));
        } catch (error) {
            if (error.status !== 422) return page.fail(outcome, error);
            const reasons = error.body.reasons || {};
            this.showReasons(reasons);
            const count = Object.keys(reasons).length;
            fill(outcome, page.notice("error",
                `Nothing was saved: ${count ? `${count} setting${count === 1 ? " needs" : "s need"} correcting (marked in red).` : error.message}`));
        }
    }

    draw() {
        const outcome = el("div", { id: "save-outcome", "aria-live": "polite" });
        // The outcome stands beside the buttons, where the operator's eyes are after saving.
        const buttons = this.readOnly ? [] : el("div", { class: "sticky-save" },
            outcome,
            el("div", { class: "actions" },
                el("button", { type: "submit", class: "primary", id: "save-settings" }, "Save changes"),
                el("button", { type: "button", id: "undo-settings", onclick: () => this.undo() }, "Undo changes"),
                el("span", { class: "muted small" }, "Only the settings you changed are sent.")));
        return [el("form", { id: "settings-form", novalidate: true,
            onsubmit: (event) => { event.preventDefault(); this.save(outcome); } },
            groups.map(([group, title]) => this.section(group, title)), buttons)];
    }
}

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
});
