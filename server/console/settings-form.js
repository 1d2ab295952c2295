// The settings' fields in plain words, as the settings editor and a change to many computers show them: only
// what the operator changed is sent, and the server's reasons for refusing a value are shown beside it.
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

// The agent counts its interval in ticks of 36 seconds and runs a cycle every (ticks + 1) of them; operators
// think in minutes.
const tickSeconds = 36;

function minutesFromTicks(ticks) {
    const number = Number(ticks);
    if (ticks === "" || !Number.isInteger(number) || number < 0) return String(ticks ?? "");
    return String(Math.round((number + 1) * tickSeconds / 6) / 10);
}

// Minutes that are no number go as typed, so that the server's reason reaches the field.
function ticksFromMinutes(minutes) {
    const number = Number(String(minutes).replace(",", "."));
    if (String(minutes).trim() === "" || !Number.isFinite(number) || number <= 0) return String(minutes);
    return String(Math.max(0, Math.round(number * 60 / tickSeconds) - 1));
}

function intervalText(minutes) {
    const ticks = Number(ticksFromMinutes(minutes));
    if (!Number.isInteger(ticks)) return "";
    return `${ticks} ${ticks === 1 ? "tick" : "ticks"}: a cycle every ${duration((ticks + 1) * tickSeconds)}.`;
}

// What a saved change did, in the operator's words: "Limit of D:\Spool (slot 2): 60 → 80".
function changeText(key, before, after, settings) {
    const shown = (value) => (value === "" || value === undefined ? "(empty)" : value);
    const slot = key.match(/^(Dir|Alert)(\d+)$/);
    let what = (settingMeanings.find((m) => m.key === key) || { label: key }).label;
    if (slot && slot[1] === "Alert") what = settings[`Dir${slot[2]}`] ? `Limit of ${settings[`Dir${slot[2]}`]} (slot ${slot[2]})` : `Limit of slot ${slot[2]}`;
    if (slot && slot[1] === "Dir") what = `Folder of slot ${slot[2]}`;
    if (key === "SettingTime") return `Monitoring interval: ${minutesFromTicks(before)} min → ${minutesFromTicks(after)} min`;
    return `${what}: ${shown(before)} → ${shown(after)}`;
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
        const value = this.shown(meaning.key);
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

    // The text a field shows for the stored setting, and the setting for what a field holds.
    shown(key) {
        const stored = this.saved[key] ?? "";
        return key === "SettingTime" ? minutesFromTicks(stored) : stored;
    }

    stored(key, text) {
        return key === "SettingTime" ? ticksFromMinutes(text) : text;
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
            el("p", { class: "small muted" }, el("strong", {}, "Limit: "), limitHint, " Every slot, slot 1 included: the limit itself is still allowed."),
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
            const value = this.stored(key, input.value);
            if (value !== (this.saved[key] ?? "")) changed[key] = value;
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
        for (const [key, input] of this.inputs) input.value = this.shown(key);
        this.showReasons({});
        document.getElementById("interval-text").textContent = intervalText(this.shown("SettingTime"));
    }

    async save(outcome) {
        const changes = this.changes();
        if (!Object.keys(changes).length) {
            fill(outcome, page.notice("info", "Nothing changed, nothing to save."));
            return;
        }
        try {
            const reply = await api.saveSettings(this.name, changes);
            const before = this.saved;
            this.saved = { ...this.saved, ...changes, ...(reply.settings || {}) };
            this.showReasons({});
            const count = Object.keys(changes).length;
            const said = Object.keys(changes).map((key) => changeText(key, before[key], this.saved[key], this.saved));
            fill(outcome, page.notice("ok",
                `Saved ${count} change${count === 1 ? "" : "s"}: ${said.join("; ")}. ${count === 1 ? "It takes" : "They take"} effect at ${this.name}'s next settings download.`));
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
