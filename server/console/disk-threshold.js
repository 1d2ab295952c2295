// The free-space thresholds: the fleet's default on the fleet page, a computer's own on its page (admins).
"use strict";

const thresholdHint = "Free space in GB (for example 10 GB) under which a disk counts as low; empty for none. " +
    "Agents report how much is free but not a drive's size, so a percentage cannot be checked.";

function thresholdForm({ id, label, value, hint, save }) {
    let saved = value || "";
    const input = el("input", { type: "text", id, name: id, value: saved, spellcheck: "false",
        "aria-describedby": `${id}-hint ${id}-outcome` });
    const outcome = el("div", { id: `${id}-outcome`, "aria-live": "polite" });
    const submit = async (event) => {
        event.preventDefault();
        try {
            const reply = await save(input.value.trim());
            fill(outcome, page.notice("ok", `${label}: ${saved || "none"} → ${reply.threshold || "none"}.`));
            saved = reply.threshold;
            input.value = saved;
        } catch (error) {
            page.fail(outcome, error);
        }
    };
    return el("form", { class: "threshold-form", onsubmit: submit },
        el("div", { class: "inline-form" },
            el("div", { class: "field" }, el("label", { for: id }, label), input),
            el("button", { type: "submit", id: `${id}-save` }, "Save threshold")),
        el("p", { class: "hint small muted", id: `${id}-hint` }, hint),
        outcome);
}

function fleetThresholdForm() {
    const box = el("section", { class: "panel", id: "fleet-threshold", "aria-label": "Free-space threshold of the fleet" });
    api.fleetDiskThreshold().then((reply) => fill(box, thresholdForm({
        id: "fleet-disk-threshold", label: "Low disk threshold for every computer", value: reply.threshold,
        hint: `${thresholdHint} A computer's own threshold, set on its page, comes first.`,
        save: (threshold) => api.saveFleetDiskThreshold(threshold),
    }))).catch((error) => page.fail(box, error));
    return box;
}

function computerThresholdForm(computer) {
    return thresholdForm({
        id: "disk-threshold", label: `Low disk threshold of ${computer.name}`, value: computer.diskThreshold,
        hint: `${thresholdHint} Empty: the fleet's (${computer.fleetDiskThreshold || "none"}).`,
        save: (threshold) => api.saveDiskThreshold(computer.name, threshold),
    });
}
