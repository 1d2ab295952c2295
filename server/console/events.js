// Events told to the webhook receivers, newest first, and how each delivery stands.
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
};

function deliveryList(deliveries) {
    if (!deliveries.length) return el("span", { class: "muted" }, "no receiver configured");
    return el("ul", { class: "deliveries" }, deliveries.map((delivery) => el("li", {},
        el("span", { class: `delivery-${delivery.state}` }, delivery.state), " to ",
        el("span", { class: "mono" }, delivery.receiver),
        ` after ${delivery.attempts} ${delivery.attempts === 1 ? "try" : "tries"}`,
        delivery.lastError ? el("span", { class: "muted" }, ` (last: ${delivery.lastError})`) : "")));
}

function eventsTable(events) {
    if (!events.length) return el("p", { class: "empty" }, "No event yet.");
    return el("div", { class: "table-wrap" }, el("table", { id: "events-table" },
        el("thead", {}, el("tr", {}, ["When", "Event", "Computer", "Deliveries"].map((t) => el("th", { scope: "col" }, t)))),
        el("tbody", {}, events.map((event) => el("tr", {},
            el("td", {}, format.time(event.at)),
            el("td", { title: event.eventId }, eventTypes[event.type] || event.type),
            el("td", {}, el("a", { href: page.view("computer", { name: event.computer }) }, event.computer)),
            el("td", {}, deliveryList(event.deliveries || [])))))));
}

page.start("events", async (main) => {
    const box = el("div", { id: "events", "aria-live": "polite" });
    const show = async () => {
        try {
            fill(box, eventsTable((await api.events(100)).events || []));
        } catch (error) {
            page.fail(box, error);
        }
    };
    fill(main,
        el("div", { class: "page-head" },
            el("div", {}, el("h1", {}, "Events"),
                el("p", { class: "muted" }, "What the server told the webhook receivers, newest first.")),
            el("button", { type: "button", id: "refresh-events", onclick: show }, "Refresh")),
        el("section", { class: "panel" }, box));
    await show();
});
