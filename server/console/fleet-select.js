// Choosing computers on the fleet page for a settings change: a box on each row, one for every row on the
// page, and then every computer the filter matches, on every page. A new search or filter starts afresh.
"use strict";

const fleetSelection = (() => {
    let chosen = new Set();
    let everyMatching = false;
    let shown = { names: [], total: 0, filter: {} };
    const bar = el("div", { id: "selection-bar", class: "selection-bar", "aria-live": "polite" });

    // The same filter drawn again (the page refreshing itself) keeps what was chosen of the rows still shown.
    function start(list, filter) {
        const names = list.computers.map((row) => row.name);
        const same = JSON.stringify(filter) === JSON.stringify(shown.filter);
        chosen = same ? new Set(names.filter((name) => chosen.has(name))) : new Set();
        everyMatching = same && everyMatching;
        shown = { names, total: list.total || 0, filter };
        draw();
        return bar;
    }

    function boxes() {
        return [...document.querySelectorAll("#fleet-table input[data-select]")];
    }

    function choose(name, on) {
        everyMatching = false;
        if (on) chosen.add(name);
        else chosen.delete(name);
        const pageBox = document.getElementById("select-page");
        if (pageBox) pageBox.checked = shown.names.length > 0 && chosen.size === shown.names.length;
        draw();
    }

    function choosePage(on) {
        for (const box of boxes()) {
            box.checked = on;
            choose(box.dataset.select, on);
        }
    }

    function rowCell(name) {
        return el("td", { class: "select" }, el("input", { type: "checkbox", "data-select": name, checked: chosen.has(name),
            "aria-label": `Select ${name}`, onchange: (event) => choose(name, event.target.checked) }));
    }

    function headCell() {
        const whole = shown.names.length > 0 && chosen.size === shown.names.length;
        return el("th", { scope: "col", class: "select" }, el("input", { type: "checkbox", id: "select-page", checked: whole,
            "aria-label": "Select every computer on this page", onchange: (event) => choosePage(event.target.checked) }));
    }

    // The bulk step's address: the names chosen, or the filter when every matching computer is.
    function bulkAddress() {
        if (everyMatching) return page.view("bulk", { every: "1", ...shown.filter });
        return page.view("bulk", { names: [...chosen].join("\n") });
    }

    function draw() {
        const count = everyMatching ? shown.total : chosen.size;
        if (!count) return fill(bar, el("span", { class: "muted" }, "Choose computers with the boxes to change their settings together."));
        const wholePage = chosen.size === shown.names.length && shown.total > shown.names.length && !everyMatching;
        fill(bar,
            el("span", { id: "selected-count" }, everyMatching
                ? `All ${format.number(count)} computers matching this filter are selected.`
                : `${format.number(count)} ${count === 1 ? "computer" : "computers"} selected.`),
            wholePage ? el("button", { type: "button", id: "select-every", onclick: () => {
                everyMatching = true;
                draw();
            } }, `Select all ${format.number(shown.total)} matching this filter`) : null,
            el("a", { class: "button primary", id: "change-selected", href: bulkAddress() }, "Change settings…"));
    }

    return { start, rowCell, headCell };
})();
