// The fleet: every computer, trouble first (the server's order), with a search box, filters and paging.
"use strict";

function folderCounts(row) {
    const count = (value, text, style) => {
        const number = Number(value) || 0;
        return el("span", { class: number ? style : "muted" }, `${number} ${text}`);
    };
    const unreadable = Number(row.foldersUnreadable) || 0;
    return el("span", {},
        count(row.foldersOver, "over", "count-over"), " · ", count(row.foldersNear, "near", "count-near"),
        unreadable ? [" · ", count(unreadable, "unreadable", "count-over")] : null);
}

function lowestDisk(row) {
    return [format.bytes(row.lowestFreeBytes),
        row.lowestFreeDisk ? el("span", { class: "muted small" }, ` on ${row.lowestFreeDisk}`) : null,
        row.lowDisk ? [el("br"), stateBadge("lowdisk")] : null];
}

function fleetRow(row) {
    const trouble = ["alert", "unreadable", "silent", "lowdisk"].includes(row.state);
    return el("tr", { class: trouble ? `trouble-${row.state}` : false, "data-computer": row.name, "data-state": row.state },
        page.canChange() ? fleetSelection.rowCell(row.name) : null,
        el("th", { scope: "row" }, el("a", { href: page.view("computer", { name: row.name }) }, row.name), tags.links(row.tags)),
        el("td", {}, computerBadges(row), alertActions.badges(row),
            row.stateSince && row.state !== "silent" ? [el("br"), el("span", { class: "muted small" }, `since ${format.time(row.stateSince)}`)] : null,
            row.acknowledgement && el("div", { class: "muted small" }, alertActions.acknowledgedText(row.acknowledgement))),
        el("td", {}, format.time(row.lastReport), el("br"), el("span", { class: "muted small" }, format.ago(row.secondsSinceReport))),
        el("td", {}, folderCounts(row)),
        el("td", { class: "num" }, ...lowestDisk(row)),
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
            el("thead", {}, el("tr", {}, page.canChange() ? fleetSelection.headCell() : null, headings.map((text) =>
                el("th", { scope: "col", class: text === "Lowest free disk" ? "num" : false }, text)))),
            el("tbody", {}, list.computers.map(fleetRow))));
}

// Each figure covers the whole fleet and leads to the computers it counts.
function fleetSummary(list, only) {
    const figure = (count, text, colour, state) => el("a", {
        class: `state state-${count ? colour : "grey"}`, id: `only-${state}`,
        href: page.view("fleet", { state }), "aria-current": only === state ? "true" : false,
    }, `${format.number(count)} ${text}`);
    return el("p", { class: "actions", id: "fleet-summary" },
        figure(list.alerting || 0, "with a folder over its limit", "red", "alert"),
        figure(list.unreadableCount || 0, "cannot read a folder", "red", "unreadable"),
        figure(list.silentCount || 0, "silent", "silent", "silent"),
        figure(list.lowDiskCount || 0, "low on disk", "orange", "lowdisk"),
        figure(list.nearCount || 0, "near a limit", "yellow", "near"),
        only ? el("a", { href: page.view("fleet"), id: "show-all" }, "Show every computer")
            : el("span", { class: "muted" }, "in the whole fleet"));
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
    const only = page.param("state");
    const tag = page.param("tag");
    let shown = 0;
    const show = async (pageNumber) => {
        const search = input.value.trim();
        history.replaceState(null, "", page.view("fleet", { search, state: only, tag, page: pageNumber > 1 ? pageNumber : "" }));
        const asked = ++shown;
        try {
            const list = await api.computers(search, pageNumber, only, tag);
            if (asked !== shown) return; // an answer to an older search
            fill(box, el("div", { class: "fleet-top" }, fleetSummary(list, only), list.pages > 1 && pager(list, show, "top")),
                page.canChange() ? fleetSelection.start(list, { search, state: only, tag }) : null,
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
                el("p", { class: "muted" }, "Most severe first: a folder over its limit, a folder that cannot be read, silent, ",
                    "never reported, low on disk, near a limit, then the rest; the longest standing first within each. ",
                    "Silent: no report for three of its cycles (at least 10 minutes).")),
            search),
        page.canChange() ? fleetThresholdForm() : null,
        tag ? [page.notice("info", `Only computers tagged ${tag}.`), el("p", {}, el("a", { href: page.view("fleet"), id: "all-tags" }, "Show every computer"))] : null,
        tag ? await alertActions.tagPanel(tag) : null,
        box);
    await show(Number(page.param("page")) || 1);
});
