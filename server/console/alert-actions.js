// What operators decide about a computer's alert, as the computer page and the fleet show it: who
// acknowledged it and until when, and the maintenance windows that keep its alerts from the receivers.
"use strict";

const alertActions = (() => {
    // "10:42 UTC" today, "5 Dec 10:42 UTC" on another day, in the zone the operator chose and always named:
    // operators in several places read the same time.
    function shortTime(iso) {
        const when = new Date(iso);
        if (Number.isNaN(when.getTime())) return String(iso);
        const timeZone = format.inUtc() ? "UTC" : undefined;
        const clock = when.toLocaleTimeString("en-GB", { timeZone, hour: "2-digit", minute: "2-digit", timeZoneName: "short" });
        const day = (d) => d.toLocaleDateString("en-GB", { timeZone, day: "numeric", month: "short" });
        return day(when) === day(new Date()) ? clock : `${day(when)} ${clock}`;
    }

    function acknowledgedText(ack) {
        const until = ack.until ? `until ${shortTime(ack.until)}` : "until the alert changes";
        return `Acknowledged by ${ack.operator}, ${shortTime(ack.at)}, ${until}`;
    }

    function windowText(window) {
        const times = `${shortTime(window.from)} to ${shortTime(window.to)}`;
        return window.tag ? `${times}, for tag ${window.tag}` : times;
    }

    // The marks beside a computer's state, as one flat list: maintenance and acknowledgement, each a word,
    // never colour alone.
    function badges(computer) {
        const marks = [];
        if (computer.maintenance)
            marks.push(" ", el("span", { class: "state state-blue", title: windowText(computer.maintenance) }, "Maintenance"));
        if (computer.acknowledgement)
            marks.push(" ", el("span", { class: "state state-grey", title: acknowledgedText(computer.acknowledgement) }, "Acknowledged"));
        return marks;
    }

    // A datetime-local field's value (the browser's local time) as the API takes it; "" stays "".
    function isoFromField(input) {
        return input.value ? new Date(input.value).toISOString() : "";
    }

    function field(id, text, input) {
        return el("div", { class: "field" }, el("label", { for: id }, text), input);
    }

    // After a change the page is drawn again, and shows the change where it belongs.
    async function act(outcome, action, redraw) {
        try {
            await action();
            await redraw();
        } catch (error) {
            page.fail(outcome, error);
        }
    }

    function acknowledgeForm(name, outcome, redraw) {
        const note = el("input", { type: "text", id: "ack-note", name: "note", maxlength: "500", required: true,
            placeholder: "What is being done" });
        const until = el("input", { type: "datetime-local", id: "ack-until", name: "until" });
        return el("form", { class: "inline-form", id: "acknowledge-form", onsubmit: (event) => {
            event.preventDefault();
            act(outcome, () => api.acknowledge(name, note.value, isoFromField(until)), redraw);
        } },
        field("ack-note", "Note", note),
        field("ack-until", "Until (optional, your local time)", until),
        el("button", { type: "submit", id: "acknowledge" }, "Acknowledge"));
    }

    // Whose windows a panel shows and changes: one computer's, or a tag's.
    const computerWindows = (name) => ({
        list: () => api.maintenance(name),
        plan: (from, to, note) => api.planMaintenance(name, from, to, note),
        end: (id) => api.endMaintenance(name, id),
    });
    const tagWindows = (tag) => ({
        list: () => api.tagMaintenance(tag),
        plan: (from, to, note) => api.planTagMaintenance(tag, from, to, note),
        end: (id) => api.endTagMaintenance(tag, id),
    });

    function maintenanceForm(owner, outcome, redraw) {
        const from = el("input", { type: "datetime-local", id: "maintenance-from", name: "from", required: true });
        const to = el("input", { type: "datetime-local", id: "maintenance-to", name: "to", required: true });
        const note = el("input", { type: "text", id: "maintenance-note", name: "note", maxlength: "500" });
        return el("form", { class: "inline-form", id: "maintenance-form", onsubmit: (event) => {
            event.preventDefault();
            act(outcome, () => owner.plan(isoFromField(from), isoFromField(to), note.value), redraw);
        } },
        field("maintenance-from", "From (your local time)", from),
        field("maintenance-to", "To", to),
        field("maintenance-note", "Note", note),
        el("button", { type: "submit", id: "plan-maintenance" }, "Plan maintenance"));
    }

    function windowsTable(owner, windows, outcome, redraw) {
        if (!windows.length) return el("p", { class: "empty", id: "no-windows" }, "No maintenance planned.");
        return el("table", { id: "maintenance-table" },
            el("thead", {}, el("tr", {}, ["When", "Planned by", "Note", ""].map((t) => el("th", { scope: "col" }, t)))),
            el("tbody", {}, windows.map((window) => el("tr", { "data-window": window.id },
                el("td", {}, windowText(window)),
                el("td", {}, window.operator),
                el("td", {}, window.note || "–"),
                el("td", {}, page.canChange() && el("button", { type: "button", class: "danger",
                    "aria-label": `End maintenance ${windowText(window)}`,
                    onclick: () => act(outcome, () => owner.end(window.id), redraw) }, "End"))))));
    }

    // The panel on the computer page; `redraw` draws the whole page again after a change.
    async function panel(name, computer, redraw) {
        const outcome = el("div", { id: "actions-outcome", "aria-live": "polite" });
        const owner = computerWindows(name);
        const windows = (await owner.list()).windows || [];
        const ack = computer.acknowledgement;
        return el("section", { class: "panel", "aria-labelledby": "actions-heading", id: "alert-actions" },
            el("h2", { id: "actions-heading" }, "Alert handling"),
            outcome,
            ack ? el("p", { id: "acknowledged" }, acknowledgedText(ack), ack.note ? el("span", { class: "muted" }, ` — ${ack.note}`) : null)
                : el("p", { class: "muted", id: "not-acknowledged" }, "No acknowledgement stands for the current alert."),
            page.canChange() ? acknowledgeForm(name, outcome, redraw) : null,
            el("h3", {}, "Maintenance"),
            el("p", { class: "muted" }, "Alerts raised during a window are recorded but sent to no webhook receiver."),
            windowsTable(owner, windows, outcome, redraw),
            page.canChange() ? maintenanceForm(owner, outcome, redraw) : null);
    }

    // The maintenance of a tag, on the fleet filtered by it: a window covers every computer carrying the tag
    // while it runs, tagged before it began or during it.
    async function tagPanel(tag) {
        const outcome = el("div", { id: "actions-outcome", "aria-live": "polite" });
        const box = el("div", { id: "tag-maintenance" });
        const owner = tagWindows(tag);
        const redraw = async () => fill(box, windowsTable(owner, (await owner.list()).windows || [], outcome, redraw));
        await redraw();
        return el("section", { class: "panel", "aria-labelledby": "tag-heading", id: "tag-panel" },
            el("h2", { id: "tag-heading" }, `Maintenance of every computer tagged ${tag}`),
            el("p", { class: "muted" }, "Alerts raised during a window are recorded but sent to no webhook receiver, " +
                "for each computer carrying the tag while the window runs."),
            outcome, box,
            page.canChange() ? maintenanceForm(owner, outcome, redraw) : null);
    }

    return { badges, panel, tagPanel, acknowledgedText };
})();
