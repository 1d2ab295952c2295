// The audit trail: every change, newest first, filtered by computer and operator.
"use strict";

// An empty value is said in words, so that "cleared" and "set" read differently.
const valueCell = (value) => value ? el("td", { class: "mono" }, value) : el("td", { class: "muted" }, "(empty)");

function auditRows(entries) {
    return entries.map((entry) => el("tr", {},
            el("td", {}, format.time(entry.at)),
            el("td", {}, entry.operator),
            el("td", {}, entry.computer ? el("a", { href: page.view("computer", { name: entry.computer }) }, entry.computer) : "–"),
            el("td", { class: "mono" }, entry.setting),
            valueCell(entry.oldValue),
            valueCell(entry.newValue)));
}

function auditTable(entries) {
    if (!entries.length) return el("p", { class: "empty" }, "No change matches.");
    return el("div", { class: "table-wrap" }, el("table", { id: "audit-table" },
        el("thead", {}, el("tr", {}, ["When", "Operator", "Computer", "Setting", "Old value", "New value"].map((t) =>
            el("th", { scope: "col" }, t)))),
        el("tbody", {}, auditRows(entries))));
}

page.start("audit", async (main) => {
    const box = el("div", { id: "audit", "aria-live": "polite" });
    const computer = el("input", { type: "text", id: "filter-computer", name: "computer", value: page.param("computer") });
    const operator = el("input", { type: "text", id: "filter-operator", name: "operator", value: page.param("operator") });
    const show = async () => {
        const filter = { computer: computer.value.trim(), operator: operator.value.trim() };
        history.replaceState(null, "", page.view("audit", filter));
        try {
            const reply = await api.audit(filter.computer, filter.operator);
            fill(box, auditTable(reply.entries || []), olderButton(filter, reply.nextBefore));
        } catch (error) {
            page.fail(box, error);
        }
    };
    // Older changes are added below the ones shown, so the operator keeps the place.
    const olderButton = (filter, before) => before === null || before === undefined ? "" :
        el("p", { class: "actions" }, el("button", { type: "button", id: "older-audit", onclick: async (event) => {
            try {
                const reply = await api.audit(filter.computer, filter.operator, before);
                box.querySelector("tbody").append(...auditRows(reply.entries || []));
                event.target.parentNode.replaceWith(olderButton(filter, reply.nextBefore));
            } catch (error) {
                page.fail(box, error);
            }
        } }, "Show older changes"));
    fill(main,
        el("div", { class: "page-head" },
            el("div", {}, el("h1", {}, "Audit"), el("p", { class: "muted" }, "Every change an operator made, newest first.")),
            el("form", { class: "inline-form", role: "search", onsubmit: (event) => { event.preventDefault(); show(); } },
                el("div", { class: "field" }, el("label", { for: "filter-computer" }, "Computer"), computer),
                el("div", { class: "field" }, el("label", { for: "filter-operator" }, "Operator"), operator),
                el("button", { type: "submit", id: "filter-audit" }, "Filter"))),
        el("section", { class: "panel" }, box));
    await show();
});
