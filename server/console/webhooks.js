// Webhook receivers, for admins: those given on the command line (read-only here) and those added here,
// which an admin can test (a signed test delivery, and what the receiver answered) and disable. Secrets
// go to the server and are never shown again.
"use strict";

const testWaitMs = 15000;

function receiverState(receiver) {
    if (!receiver.enabled) return el("span", { class: "state state-grey" }, "Disabled");
    return el("span", { class: "state state-green" }, "Enabled");
}

function testAnswer(receiver) {
    if (!receiver.testedAt) return el("span", { class: "muted" }, "not tested");
    return el("span", {}, receiver.testAnswer, el("br"), el("span", { class: "muted small" }, format.time(receiver.testedAt)));
}

// Asks for a test and reads the list again until the receiver's answer is stored.
async function testReceiver(receiver, outcome, redraw) {
    await api.testWebhook(receiver.id);
    fill(outcome, page.notice("info", `A signed test delivery is on its way to ${receiver.url}…`));
    const started = Date.now();
    while (Date.now() - started < testWaitMs) {
        await new Promise((done) => setTimeout(done, 300));
        const now = ((await api.webhooks()).receivers || []).find((r) => r.id === receiver.id);
        if (now && now.testedAt !== receiver.testedAt) {
            fill(outcome, page.notice(now.testAnswer.startsWith("HTTP 2") ? "ok" : "error", `${receiver.url} answered: ${now.testAnswer}`));
            return redraw();
        }
    }
    fill(outcome, page.notice("error", `${receiver.url} has not answered within ${testWaitMs / 1000} s.`));
}

function receiversTable(receivers, outcome, redraw) {
    if (!receivers.length) return el("p", { class: "empty" }, "No receiver: events are recorded and told to nobody.");
    const run = (action) => async () => {
        try {
            await action();
        } catch (error) {
            page.fail(outcome, error);
        }
    };
    const buttons = (receiver) => {
        if (receiver.source !== "console") return el("span", { class: "muted small" }, "Set on the command line");
        if (!receiver.enabled) return null;
        return el("div", { class: "actions" },
            el("button", { type: "button", "aria-label": `Test ${receiver.url}`, onclick: run(() => testReceiver(receiver, outcome, redraw)) }, "Test"),
            el("button", { type: "button", class: "danger", "aria-label": `Disable ${receiver.url}`,
                onclick: run(async () => {
                    if (!confirm(`Disable ${receiver.url}? It will be sent no more events.`)) return;
                    await api.disableWebhook(receiver.id);
                    fill(outcome, page.notice("ok", `${receiver.url} is disabled.`));
                    await redraw();
                }) }, "Disable"));
    };
    return el("table", { id: "receivers-table" },
        el("thead", {}, el("tr", {}, ["Address", "State", "Added", "Latest test", ""].map((t) => el("th", { scope: "col" }, t)))),
        el("tbody", {}, receivers.map((receiver) => el("tr", { "data-url": receiver.url },
            el("th", { scope: "row", class: "mono" }, receiver.url),
            el("td", {}, receiverState(receiver)),
            el("td", {}, receiver.source === "console" ? `${receiver.addedBy}, ${format.time(receiver.addedAt)}` : "command line"),
            el("td", {}, receiver.source === "console" ? testAnswer(receiver) : "–"),
            el("td", {}, buttons(receiver))))));
}

function addForm(outcome, redraw) {
    const url = el("input", { type: "text", id: "receiver-url", name: "url", required: true, autocomplete: "off",
        placeholder: "https://alerts.example/hook" });
    const secret = el("input", { type: "password", id: "receiver-secret", name: "secret", required: true,
        autocomplete: "new-password", minlength: "16" });
    return el("form", { class: "inline-form", id: "add-receiver", onsubmit: async (event) => {
        event.preventDefault();
        try {
            await api.addWebhook(url.value.trim(), secret.value);
            fill(outcome, page.notice("ok", `${url.value.trim()} is added; test it to see its answer.`));
            url.value = "";
            secret.value = "";
            await redraw();
        } catch (error) {
            page.fail(outcome, error);
        }
    } },
    el("div", { class: "field" }, el("label", { for: "receiver-url" }, "Address"), url),
    el("div", { class: "field" }, el("label", { for: "receiver-secret" }, "Shared secret (16 characters or more)"), secret),
    el("button", { type: "submit", id: "add-receiver-button" }, "Add receiver"));
}

page.start("webhooks", async (main) => {
    if (!page.canChange()) return fill(main, page.notice("error", "Only an admin may see and change the webhook receivers."));
    const outcome = el("div", { id: "receivers-outcome", "aria-live": "polite" });
    const box = el("div", { id: "receivers" });
    const redraw = async () => {
        try {
            fill(box, receiversTable((await api.webhooks()).receivers || [], outcome, redraw));
        } catch (error) {
            page.fail(box, error);
        }
    };
    fill(main,
        el("div", { class: "page-head" }, el("div", {}, el("h1", {}, "Webhook receivers"),
            el("p", { class: "muted" }, "Where the server sends events, each signed with the receiver's shared secret."))),
        outcome,
        el("section", { class: "panel", "aria-labelledby": "receivers-heading" },
            el("h2", { id: "receivers-heading" }, "Receivers"), box),
        el("section", { class: "panel", "aria-labelledby": "add-heading" },
            el("h2", { id: "add-heading" }, "Add a receiver"), addForm(outcome, redraw)));
    await redraw();
});
