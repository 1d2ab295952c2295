// Events told to the webhook receivers, newest first, filtered by type, computer and time, a page at a
// time; each links to where it can be acted on, and the same selection downloads as CSV.
"use strict";

const eventTypes = {
    folder_over_limit: "Folder over its limit",
    folder_back_to_normal: "Folder back to normal",
    folder_scan_error: "Folder could not be read",
    disk_low: "Disk low on free space",
    disk_back_to_normal: "Disk free space back to normal",
    computer_silent: "Computer silent",
    computer_back: "Computer reporting again",
    enrolment_pending: "Enrolment waiting",
    enrolment_conflict: "Enrolment asked with another key",
    alert_acknowledged: "Alert acknowledged",
};

const eventsPageSize = 50;

function deliveryList(event) {
    if (event.inMaintenance) return el("span", { class: "state state-blue" }, "In maintenance: sent to no receiver");
    const deliveries = event.deliveries || [];
    if (!deliveries.length) return el("span", { class: "muted" }, "no receiver configured");
    return el("ul", { class: "deliveries" }, deliveries.map((delivery) => el("li", {},
        el("span", { class: `delivery-${delivery.state}` }, delivery.state), " to ",
        el("span", { class: "mono" }, delivery.receiver),
        ` after ${delivery.attempts} ${delivery.attempts === 1 ? "try" : "tries"}`,
        delivery.lastError ? el("span", { class: "muted" }, ` (last: ${delivery.lastError})`) : "")));
}

// Enrolment events are about names that may not be computers yet: they are acted on at the enrolment page.
function eventPlace(event) {
    if (event.type.startsWith("enrolment_")) return el("a", { href: page.view("enrolment") }, `${event.computer} (enrolment)`);
    return el("a", { href: page.view("computer", { name: event.computer }) }, event.computer);
}

function eventsTable(events) {
    if (!events.length) return el("p", { class: "empty" }, "No event matches.");
    const headings = ["When", "Event", "Computer", "Folder", "Files", "Limit", "Deliveries"];
    return el("div", { class: "table-wrap" }, el("table", { id: "events-table" },
        el("thead", {}, el("tr", {}, headings.map((t) => el("th", { scope: "col", class: t === "Files" || t === "Limit" ? "num" : false }, t)))),
        el("tbody", {}, events.map((event) => el("tr", { "data-type": event.type },
            el("td", {}, format.time(event.at)),
            el("td", { title: event.eventId }, eventTypes[event.type] || event.type,
                event.note ? el("div", { class: "muted small" }, `${event.operator}: ${event.note}`) : null),
            el("td", {}, eventPlace(event)),
            el("td", { class: "mono" }, event.folder || "–"),
            el("td", { class: "num" }, event.files ? format.number(event.files) : "–"),
            el("td", { class: "num" }, event.limit ? format.number(event.limit) : "–"),
            el("td", {}, deliveryList(event)))))));
}

function filterForm(onChange) {
    const type = el("select", { id: "filter-type", name: "type" },
        el("option", { value: "" }, "Any event"),
        Object.entries(eventTypes).map(([value, text]) => el("option", { value, selected: page.param("type") === value }, text)));
    const computer = el("input", { type: "text", id: "filter-computer", name: "computer", value: page.param("computer"), autocomplete: "off" });
    const from = el("input", { type: "datetime-local", id: "filter-from", name: "from" });
    const to = el("input", { type: "datetime-local", id: "filter-to", name: "to" });
    const iso = (input) => (input.value ? new Date(input.value).toISOString() : "");
    const filters = () => ({ type: type.value, computer: computer.value.trim(), from: iso(from), to: iso(to) });
    const field = (id, text, input) => el("div", { class: "field" }, el("label", { for: id }, text), input);
    return {
        filters,
        form: el("form", { class: "inline-form", id: "event-filters", onsubmit: (event) => { event.preventDefault(); onChange(); } },
            field("filter-type", "Type", type),
            field("filter-computer", "Computer", computer),
            field("filter-from", "From (your local time)", from),
            field("filter-to", "Before", to),
            el("button", { type: "submit", id: "apply-filters" }, "Show")),
    };
}

page.start("events", async (main) => {
    const box = el("div", { id: "events", "aria-live": "polite" });
    const exportLink = el("a", { id: "export-csv", download: "events.csv" }, "Download CSV");
    // The cursors of the pages before this one: each page starts below the last event of the one before, so
    // events arriving meanwhile never shift what the next page holds.
    let cursors = [];
    let filters = {};
    const show = async () => {
        try {
            const before = cursors[cursors.length - 1];
            const reply = await api.events({ ...filters, limit: eventsPageSize, before });
            const older = () => { cursors = [...cursors, reply.nextBefore]; show(); };
            const newer = () => { cursors = cursors.slice(0, -1); show(); };
            fill(box, eventsTable(reply.events || []),
                el("nav", { class: "pager", "aria-label": "Pages of events" },
                    el("span", { class: "muted" }, `Page ${cursors.length + 1}`),
                    el("span", { class: "actions" },
                        el("button", { type: "button", id: "newer-events", disabled: !cursors.length, onclick: newer }, "← Newer"),
                        el("button", { type: "button", id: "older-events", disabled: !reply.nextBefore, onclick: older }, "Older →"))));
        } catch (error) {
            page.fail(box, error);
        }
    };
    const chosen = filterForm(() => {
        filters = chosen.filters();
        cursors = [];
        exportLink.href = api.eventsCsvAddress(filters);
        show();
    });
    filters = chosen.filters();
    exportLink.href = api.eventsCsvAddress(filters);
    fill(main,
        el("div", { class: "page-head" },
            el("div", {}, el("h1", {}, "Events"),
                el("p", { class: "muted" }, "What the server told the webhook receivers, newest first.")),
            el("div", { class: "actions" }, exportLink,
                el("button", { type: "button", id: "refresh-events", onclick: () => { cursors = []; show(); } }, "Refresh"))),
        el("section", { class: "panel" }, chosen.form),
        el("section", { class: "panel" }, box));
    await show();
});
