// The fleet: every computer, trouble first unless the operator sorts otherwise, found by state chips, one
// search box, sortable columns and pages. What the page shows lives in its address, so a reload, a shared
// link and Back show it again; the list refreshes itself in place.
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
        el("th", { scope: "row" }, el("a", { href: page.view("computer", { name: row.name }) }, row.name), tags.links(row.tags),
            row.address ? [el("br"), el("span", { class: "muted small" }, row.address)] : null),
        el("td", {}, computerBadges(row), alertActions.badges(row),
            row.stateSince && row.state !== "silent" ? [el("br"), el("span", { class: "muted small" }, `since ${format.time(row.stateSince)}`)] : null,
            row.acknowledgement && el("div", { class: "muted small" }, alertActions.acknowledgedText(row.acknowledgement))),
        el("td", {}, format.time(row.lastReport), el("br"), el("span", { class: "muted small" }, format.ago(row.secondsSinceReport))),
        el("td", {}, folderCounts(row)),
        el("td", { class: "num" }, ...lowestDisk(row)),
        el("td", {}, row.os || "–"),
        el("td", {}, row.agentVersion || "–"));
}

// What the fleet view shows, in the words of its address and of the API's query; defaults stay out of both.
const fleetDefaults = { search: "", state: "", tag: "", sort: "state", order: "asc", size: "50", page: "1" };
const fleetPageSizes = ["50", "200", "1000"];

function fleetViewInAddress() {
    return Object.fromEntries(Object.keys(fleetDefaults).map((key) => [key, page.param(key) || fleetDefaults[key]]));
}

function fleetAsked(view) {
    return Object.fromEntries(Object.entries(view).map(([key, value]) => [key, value === fleetDefaults[key] ? "" : value]));
}

const fleetColumns = [
    { text: "Computer", sort: "name" },
    { text: "Status", sort: "state" },
    { text: "Last report", sort: "lastReport" },
    { text: "Folders" },
    { text: "Lowest free disk", sort: "freeDisk", num: true },
    { text: "OS", sort: "os" },
    { text: "Agent", sort: "version" },
];

function columnHeading(column, view, sortBy) {
    const attributes = { scope: "col", class: column.num ? "num" : false };
    if (!column.sort) return el("th", attributes, column.text);
    const current = view.sort === column.sort;
    const descending = view.order === "desc";
    return el("th", { ...attributes, "aria-sort": current ? (descending ? "descending" : "ascending") : false },
        el("button", { type: "button", class: "sort", id: `sort-${column.sort}`, onclick: () => sortBy(column.sort) },
            column.text, el("span", { "aria-hidden": "true" }, current ? (descending ? " ▼" : " ▲") : " ↕")));
}

function fleetTable(list, view, sortBy) {
    if (!list.computers.length)
        return el("p", { class: "empty" }, "No computer matches. Computers appear here after their first report.");
    return el("div", { class: "table-wrap" },
        el("table", { id: "fleet-table" },
            el("caption", { class: "visually-hidden" }, "Computers; a column's heading button sorts by it"),
            el("thead", {}, el("tr", {}, page.canChange() ? fleetSelection.headCell() : null,
                fleetColumns.map((column) => columnHeading(column, view, sortBy)))),
            el("tbody", {}, list.computers.map(fleetRow))));
}

const fleetChips = [
    ["alert", "Alert", "red"], ["unreadable", "Cannot read", "red"], ["near", "Near", "yellow"],
    ["lowdisk", "Low disk", "orange"], ["silent", "Silent", "silent"], ["maintenance", "Maintenance", "blue"],
    ["acknowledged", "Acknowledged", "blue"],
];

// Each chip counts the whole fleet and shows only what it counts; pending names are not in the fleet yet,
// so theirs leads to the enrolment page.
function stateChips(list, view, only) {
    const counts = list.counts || {};
    const chip = ([state, text, colour]) => el("button", {
        type: "button", class: `chip state state-${counts[state] ? colour : "grey"}`, id: `only-${state}`,
        "aria-pressed": view.state === state ? "true" : "false", onclick: () => only(view.state === state ? "" : state),
    }, `${text} `, el("span", { class: "chip-count" }, format.number(counts[state] || 0)));
    return el("div", { class: "chips", id: "fleet-summary", role: "group", "aria-label": "Show only computers that are" },
        fleetChips.map(chip),
        el("a", { class: `chip state state-${counts.pending ? "silent" : "grey"}`, id: "only-pending", href: page.view("enrolment") },
            "Pending enrolment ", el("span", { class: "chip-count" }, format.number(counts.pending || 0))),
        view.state ? el("button", { type: "button", id: "show-all", onclick: () => only("") }, "Show every computer") : null);
}

// "201–400 of 10,000"
function shownRange(list) {
    const total = Number(list.total) || 0;
    if (!total) return "0 of 0";
    const first = (list.page - 1) * list.pageSize + 1;
    const last = Math.min(total, list.page * list.pageSize);
    return `${format.number(first)}–${format.number(last)} of ${format.number(total)}`;
}

function pager(list, go, where) {
    const pages = Math.max(1, Number(list.pages) || 1);
    const current = Number(list.page) || 1;
    const step = (name, text, target, disabled) =>
        el("button", { type: "button", id: `${name}-${where}`, disabled, onclick: () => go({ page: String(target) }) }, text);
    const jump = (event) => {
        event.preventDefault();
        go({ page: String(Math.min(pages, Math.max(1, Number(event.target.elements.page.value) || 1))) });
    };
    return el("nav", { class: "pager", "aria-label": `Pages of computers (${where})` },
        el("span", { class: "muted", id: `range-${where}` }, shownRange(list)),
        el("span", { class: "actions" },
            step("first", "« First", 1, current <= 1), step("previous", "‹ Previous", current - 1, current <= 1),
            el("span", { class: "muted" }, `Page ${format.number(current)} of ${format.number(pages)}`),
            step("next", "Next ›", current + 1, current >= pages), step("last", "Last »", pages, current >= pages),
            el("form", { class: "jump", onsubmit: jump },
                el("label", { for: `jump-${where}` }, "Page"),
                el("input", { type: "number", id: `jump-${where}`, name: "page", min: 1, max: pages, value: current }),
                el("button", { type: "submit", id: `go-${where}` }, "Go")),
            el("label", { for: `size-${where}` }, "Per page"),
            el("select", { id: `size-${where}`, onchange: (event) => go({ size: event.target.value, page: "1" }) },
                fleetPageSizes.map((size) => el("option", { value: size, selected: size === String(list.pageSize) }, format.number(size))))));
}

// Seconds between refreshes: 30, or the address's `refresh` (for a wall screen, or a test that cannot wait).
function refreshSeconds() {
    const asked = Number(page.param("refresh"));
    return Number.isFinite(asked) && asked >= 1 ? asked : 30;
}

// A redrawn list gets back the focus and scroll position it had: each control keeps its id, each row its name.
function keepingPlace(draw) {
    const focused = document.activeElement;
    const row = focused && focused.closest && focused.closest("tr[data-computer]");
    const focusedId = focused && focused.id;
    const [x, y] = [window.scrollX, window.scrollY];
    draw();
    const again = row ? document.querySelector(`tr[data-computer="${CSS.escape(row.dataset.computer)}"] a`)
        : focusedId && document.getElementById(focusedId);
    if (again && again !== document.activeElement) again.focus({ preventScroll: true });
    window.scrollTo(x, y);
}

page.start("fleet", async (main) => {
    let view = fleetViewInAddress();
    const box = el("div", { id: "fleet" });
    const status = el("p", { id: "fleet-status", class: "visually-hidden", role: "status" });
    const updated = el("p", { id: "fleet-updated", class: "muted small" });
    const input = el("input", { type: "search", id: "search", name: "search", value: view.search,
        placeholder: "Name, folder, OS, address, version or tag", "aria-describedby": "search-hint" });
    let asked = 0;
    const show = async ({ quietly = false } = {}) => {
        const mine = ++asked;
        try {
            const list = await api.computers(fleetAsked(view));
            if (mine !== asked) return; // an answer to an older question
            if (String(list.page) !== view.page) { // past the end: the server showed the last page
                view = { ...view, page: String(list.page) };
                history.replaceState(null, "", fleetAddress());
            }
            keepingPlace(() => fill(box, el("div", { class: "fleet-top" }, stateChips(list, view, (state) => change({ state, page: "1" }))),
                pager(list, change, "top"),
                page.canChange() ? fleetSelection.start(list, { search: view.search, state: view.state, tag: view.tag }) : null,
                fleetTable(list, view, sortBy), list.pages > 1 && pager(list, change, "bottom")));
            fill(updated, `Updated ${format.time(new Date().toISOString())}; this list refreshes itself every ${format.span(refreshSeconds())}.`);
            if (!quietly) fill(status, `${shownRange(list)} computers shown.`);
            // For measuring: the frame after the next one is the first on screen with the table.
            requestAnimationFrame(() => requestAnimationFrame(() => {
                document.body.dataset.drawnMs = Math.round(performance.now());
            }));
        } catch (error) {
            if (mine === asked) page.fail(box, error);
        }
    };
    const fleetAddress = () => {
        const refresh = page.param("refresh");
        return page.view("fleet", { ...fleetAsked(view), refresh });
    };
    // Each choice is a step Back can undo; typing replaces the step it started.
    const change = (changes, { replace = false } = {}) => {
        view = { ...view, ...changes };
        (replace ? history.replaceState : history.pushState).call(history, null, "", fleetAddress());
        show();
    };
    const sortBy = (column) => change({ sort: column, order: view.sort === column && view.order === "asc" ? "desc" : "asc", page: "1" });
    window.addEventListener("popstate", () => {
        view = fleetViewInAddress();
        input.value = view.search;
        show();
    });
    let typing;
    let typed = false; // whether this round of typing has its own step in the history yet
    input.addEventListener("input", () => {
        clearTimeout(typing);
        typing = setTimeout(() => {
            change({ search: input.value.trim(), page: "1" }, { replace: typed });
            typed = true;
        }, 250);
    });
    input.addEventListener("blur", () => { typed = false; });
    const search = el("form", { class: "search-form", role: "search", onsubmit: (event) => { event.preventDefault(); change({ search: input.value.trim(), page: "1" }); } },
        el("label", { for: "search" }, "Search"),
        el("div", { class: "search-row" }, input, el("button", { type: "submit" }, "Search")),
        el("span", { class: "hint", id: "search-hint" }, "Name, folder path, OS, address, agent version or tag, in any case; the list narrows as you type."));
    fill(main,
        el("div", { class: "page-head" },
            el("div", {}, el("h1", {}, "Fleet"),
                el("p", { class: "muted" }, "Most severe first unless you sort by a column: a folder over its limit, a folder that cannot be read, silent, ",
                    "never reported, low on disk, near a limit, then the rest; the longest standing first within each. ",
                    "Silent: no report for three of its cycles (at least 10 minutes)."), updated),
            search),
        page.canChange() ? fleetThresholdForm() : null,
        view.tag ? [page.notice("info", `Only computers tagged ${view.tag}.`), el("p", {}, el("a", { href: page.view("fleet"), id: "all-tags" }, "Show every computer"))] : null,
        view.tag ? await alertActions.tagPanel(view.tag) : null,
        status, box);
    await show();
    setInterval(() => show({ quietly: true }), refreshSeconds() * 1000);
});
