// The fleet: every computer, trouble first (the server's order), with a search box and paging.
"use strict";

function fleetState(row) {
    if (!row.lastReport) return "none";
    if (row.alert) return "alert";
    return row.silent ? "silent" : "ok";
}

function folderCounts(row) {
    const over = Number(row.foldersOver) || 0;
    const near = Number(row.foldersNear) || 0;
    return el("span", {},
        el("span", { class: over ? "count-over" : "muted" }, `${over} over`),
        " · ",
        el("span", { class: near ? "count-near" : "muted" }, `${near} near`));
}

function fleetRow(row) {
    const state = fleetState(row);
    const marks = [stateBadge(state)];
    if (row.silent && state === "alert") marks.push(" ", stateBadge("silent"));
    marks.push(...alertActions.badges(row));
    return el("tr", { class: state === "alert" || state === "silent" ? `trouble-${state}` : false, "data-computer": row.name },
        el("th", { scope: "row" }, el("a", { href: page.view("computer", { name: row.name }) }, row.name)),
        el("td", {}, marks, row.acknowledgement && el("div", { class: "muted small" }, alertActions.acknowledgedText(row.acknowledgement))),
        el("td", {}, format.time(row.lastReport), el("br"), el("span", { class: "muted small" }, format.ago(row.secondsSinceReport))),
        el("td", {}, folderCounts(row)),
        el("td", { class: "num" }, format.bytes(row.lowestFreeBytes), row.lowestFreeDisk ? el("span", { class: "muted small" }, ` on ${row.lowestFreeDisk}`) : null),
        el("td", {}, row.os || "–"),
        el("td", {}, row.agentVersion || "–"));
}

function fleetTable(list) {
    if (!list.computers.length)
        return el("p", { class: "empty" }, "No computer matches. Computers appear here after their first report.");
    const headings = ["Computer", "Status", "Last report", "Folders", "Lowest free disk", "OS", "Agent"];
    return el("div", { class: "table-wrap" },
        el("table", { id: "fleet-table" },
            el("caption", { class: "visually-hidden" }, "Computers, those in trouble first"),
            el("thead", {}, el("tr", {}, headings.map((text) =>
                el("th", { scope: "col", class: text === "Lowest free disk" ? "num" : false }, text)))),
            el("tbody", {}, list.computers.map(fleetRow))));
}

function fleetSummary(list) {
    const figure = (count, text, colour) => el("span", { class: `state state-${count ? colour : "grey"}` }, `${format.number(count)} ${text}`);
    return el("p", { class: "actions", id: "fleet-summary" },
        figure(list.alerting || 0, "with an alert", "red"),
        figure(list.silentCount || 0, "silent", "grey"),
        el("span", { class: "muted" }, "in the whole fleet"));
}

function pager(list, show, where) {
    const pageCount = Math.max(1, Number(list.pages) || 1);
    const current = Number(list.page) || 1;
    return el("nav", { class: "pager", "aria-label": `Pages of computers (${where})` },
        el("span", { class: "muted" }, `Page ${current} of ${pageCount} · ${format.number(list.total || 0)} ${list.total === 1 ? "computer" : "computers"}`),
        pageCount > 1 && el("span", { class: "actions" },
            el("button", { type: "button", disabled: current <= 1, onclick: () => show(current - 1) }, "← Previous"),
            el("button", { type: "button", disabled: current >= pageCount, onclick: () => show(current + 1) }, "Next →")));
}

page.start("fleet", async (main) => {
    const box = el("div", { id: "fleet", "aria-live": "polite" });
    const input = el("input", { type: "search", id: "search", name: "search", value: page.param("search"),
        placeholder: "Part of a name", "aria-describedby": "search-hint" });
    let shown = 0;
    const show = async (pageNumber) => {
        const search = input.value.trim();
        history.replaceState(null, "", page.view("fleet", { search, page: pageNumber > 1 ? pageNumber : "" }));
        const asked = ++shown;
        try {
            const list = await api.computers(search, pageNumber);
            if (asked !== shown) return; // an answer to an older search
            fill(box, el("div", { class: "fleet-top" }, fleetSummary(list), list.pages > 1 && pager(list, show, "top")),
                fleetTable(list), pager(list, show, "bottom"));
            // For measuring: the frame after the next one is the first on screen with the table.
            requestAnimationFrame(() => requestAnimationFrame(() => {
                document.body.dataset.drawnMs = Math.round(performance.now());
            }));
        } catch (error) {
            page.fail(box, error);
        }
    };
    let typing;
    input.addEventListener("input", () => {
        clearTimeout(typing);
        typing = setTimeout(() => show(1), 250);
    });
    const search = el("form", { class: "search-form", role: "search", onsubmit: (event) => { event.preventDefault(); show(1); } },
        el("label", { for: "search" }, "Search"),
        el("div", { class: "search-row" }, input, el("button", { type: "submit" }, "Search")),
        el("span", { class: "hint", id: "search-hint" }, "Any case; the list narrows as you type."));
    fill(main,
        el("div", { class: "page-head" },
            el("div", {}, el("h1", {}, "Fleet"),
                el("p", { class: "muted" }, "Computers with an alert first, then silent ones, then the rest. ",
                    "Silent: no report for three of its cycles (at least 10 minutes).")),
            search),
        box);
    await show(Number(page.param("page")) || 1);
});
