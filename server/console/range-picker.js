// The time range of a computer's history: a few spans back from now or one chosen from–to, kept in the page's
// address so that a reload or a shared link shows the same range.
"use strict";

const rangePicker = (() => {
    const hour = 3600 * 1000;
    const spans = [["24h", "24 h", 24 * hour], ["7d", "7 d", 7 * 24 * hour], ["30d", "30 d", 30 * 24 * hour]];
    const custom = "custom";

    const isoOrEmpty = (text) => {
        const when = new Date(text);
        return text && !Number.isNaN(when.getTime()) ? when.toISOString() : "";
    };

    // The range the address asks for: a span ending now, or a custom from–to (ISO text, UTC); 24 h by default.
    function fromAddress() {
        const choice = page.param("range");
        if (choice === custom) return { choice, from: isoOrEmpty(page.param("from")), to: isoOrEmpty(page.param("to")) };
        const span = spans.find(([key]) => key === choice) || spans[0];
        return { choice: span[0] };
    }

    // What to ask the server for; a span is counted back from the browser's now, the server ends it at its own.
    function query(range) {
        if (range.choice === custom) return { from: range.from, to: range.to };
        const span = spans.find(([key]) => key === range.choice);
        return { from: new Date(Date.now() - span[2]).toISOString() };
    }

    function toAddress(range) {
        const params = { name: page.param("name"), range: range.choice };
        if (range.choice === custom) Object.assign(params, { from: range.from, to: range.to });
        window.history.replaceState(null, "", page.view("computer", params));
    }

    // A datetime-local field shows and reads the browser's local time, without a zone.
    function localValue(iso) {
        if (!iso) return "";
        const when = new Date(iso);
        return new Date(when.getTime() - when.getTimezoneOffset() * 60000).toISOString().slice(0, 16);
    }

    // The form; `onPick` gets each range the operator picks, once it is in the address.
    function picker(current, onPick) {
        const message = el("p", { id: "range-message", class: "small", role: "alert" });
        const from = el("input", { type: "datetime-local", id: "range-from", value: localValue(current.from) });
        const to = el("input", { type: "datetime-local", id: "range-to", value: localValue(current.to) });
        const pick = (range) => {
            fill(message);
            toAddress(range);
            for (const button of buttons) button.setAttribute("aria-pressed", String(button.value === range.choice));
            onPick(range);
        };
        const buttons = spans.map(([key, label]) =>
            el("button", { type: "button", value: key, "aria-pressed": String(current.choice === key),
                onclick: () => pick({ choice: key }) }, label));
        const pickCustom = (event) => {
            event.preventDefault();
            const range = { choice: custom, from: isoOrEmpty(from.value), to: isoOrEmpty(to.value) };
            if (!range.from || !range.to) return fill(message, "Enter both a start and an end.");
            if (range.from >= range.to) return fill(message, "The start must come before the end.");
            pick(range);
        };
        return el("form", { id: "range-picker", class: "range-picker", onsubmit: pickCustom },
            el("div", { class: "spans", role: "group", "aria-label": "Time range" }, buttons),
            el("label", { for: "range-from" }, "From"), from,
            el("label", { for: "range-to" }, "To"), to,
            el("button", { type: "submit", id: "range-custom", value: custom, "aria-pressed": String(current.choice === custom) },
                "Show range"),
            message);
    }

    return { fromAddress, query, picker };
})();
