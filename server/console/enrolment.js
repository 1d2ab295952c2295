// Enrolment: computers waiting for approval, and a computer's key reset or its leave to work without one.
"use strict";

async function act(outcome, action, name, done) {
    try {
        await action(name);
        fill(outcome, page.notice("ok", done));
        return true;
    } catch (error) {
        page.fail(outcome, error);
        return false;
    }
}

// Approval admits the key that asked, so the admin compares it with what the agent shows first.
function approveQuestion(row) {
    return row.fingerprint
        ? `Approve ${row.name}? Only the key with fingerprint ${row.fingerprint} will be admitted: check that the agent shows the same.`
        : `Approve ${row.name}? It asked without a key, so its next request gets one.`;
}

function pendingTable(list, outcome, redraw) {
    if (!list.length) return el("p", { class: "empty", id: "no-pending" }, "No computer is waiting for approval.");
    const buttons = (row) => !page.canChange() ? el("span", { class: "muted small" }, "Needs an admin") :
        el("div", { class: "actions" },
            el("button", { type: "button", class: "primary", "aria-label": `Approve ${row.name}`,
                onclick: async () => { if (confirm(approveQuestion(row)) &&
                    await act(outcome, api.approve, row.name, `${row.name} is approved.`)) redraw(); } }, "Approve"),
            el("button", { type: "button", class: "danger", "aria-label": `Refuse ${row.name}`,
                onclick: async () => { if (confirm(`Refuse ${row.name}? It will not be taken on.`) &&
                    await act(outcome, api.refuse, row.name, `${row.name} is refused.`)) redraw(); } }, "Refuse"));
    return el("table", { id: "pending-table" },
        el("thead", {}, el("tr", {}, ["Computer", "First seen", "Address", "Key fingerprint", "Actions"].map((t) => el("th", { scope: "col" }, t)))),
        el("tbody", {}, list.map((row) => el("tr", { "data-computer": row.name },
            el("th", { scope: "row" }, row.name),
            el("td", {}, format.time(row.firstSeen)),
            el("td", { class: "mono" }, row.address || "–"),
            el("td", { class: "mono fingerprint" }, row.fingerprint || "no key"),
            el("td", {}, buttons(row))))));
}

function keyForm(outcome) {
    const input = el("input", { type: "text", id: "key-computer", name: "computer", autocomplete: "off" });
    const run = (action, question, done) => async () => {
        const name = input.value.trim();
        if (!name) return fill(outcome, page.notice("error", "Enter the computer's name first."));
        if (confirm(question(name))) await act(outcome, action, name, done(name));
    };
    return el("form", { class: "inline-form", onsubmit: (event) => event.preventDefault() },
        el("div", { class: "field" }, el("label", { for: "key-computer" }, "Computer"), input),
        el("button", { type: "button", id: "reset-key", onclick: run(api.resetKey,
            (n) => `Reset the key of ${n}? It must enrol again before the server takes its reports.`,
            (n) => `The key of ${n} is reset; it enrols again at its next exchange.`) }, "Reset key"),
        el("button", { type: "button", id: "allow-without-key", class: "danger", onclick: run(api.allowWithoutKey,
            (n) => `Let ${n} exchange without a key? Anyone who knows its name could then report for it.`,
            (n) => `${n} may now exchange without a key.`) }, "Allow without key"));
}

page.start("enrolment", async (main) => {
    const outcome = el("div", { id: "enrolment-outcome", "aria-live": "polite" });
    const pendingBox = el("div", { id: "pending" });
    const redraw = async () => {
        try {
            const reply = await api.pending();
            fill(pendingBox, pendingTable(reply.pending || [], outcome, redraw));
        } catch (error) {
            page.fail(pendingBox, error);
        }
    };
    fill(main,
        el("div", { class: "page-head" }, el("div", {}, el("h1", {}, "Enrolment"),
            el("p", { class: "muted" }, "New computers wait here until an admin approves them."))),
        outcome,
        el("section", { class: "panel", "aria-labelledby": "pending-heading" },
            el("h2", { id: "pending-heading" }, "Waiting for approval"), pendingBox),
        page.canChange() ? el("section", { class: "panel", "aria-labelledby": "keys-heading" },
            el("h2", { id: "keys-heading" }, "A computer's key"),
            el("p", { class: "muted" }, "Reset a key when a computer was reinstalled or its key may have leaked. " +
                "Allow a computer without a key only for an agent that cannot hold one."),
            keyForm(outcome)) : null);
    await redraw();
});
