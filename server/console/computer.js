// One computer: its latest report, charts over a time range and its reports, newest first.
"use strict";

const historyLength = 50;

function latestFacts(status, computer) {
    const fact = (term, ...value) => el("div", {}, el("dt", {}, term), el("dd", {}, ...value));
    return el("dl", { class: "facts" },
        fact("Last report", format.time(status.receivedAt), el("br"), el("span", { class: "muted small" }, format.ago(computer.secondsSinceReport))),
        fact("Low disk under", computer.diskThreshold || (computer.fleetDiskThreshold ? `${computer.fleetDiskThreshold} (the fleet's)` : "no threshold")),
        fact("IP address", status.ip || "–"),
        fact("OS", [status.os, status.osVersion].filter(Boolean).join(", ") || "–"),
        fact("Agent version", status.agentVersion || "–"));
}

// The limit the state was judged against, and a newer one the computer has not yet confirmed.
function limitCell(folder) {
    if (folder.pendingLimit === undefined) return format.number(folder.limit);
    return [format.number(folder.limit), " → ", el("span", { class: "pending" }, `${folder.pendingLimit} pending`)];
}

function foldersTable(folders, name) {
    if (!folders || !folders.length) return el("p", { class: "empty" }, "No folder is monitored on this computer.");
    const pending = folders.some((folder) => folder.pendingLimit !== undefined);
    return [
        pending ? page.notice("info", "A new limit is pending: it counts from the computer's next report. Until then each state " +
            "is judged against the limit of its latest report, as the computer itself judged it.") : null,
        el("div", { class: "table-wrap" }, el("table", { id: "folders-table" },
            el("thead", {}, el("tr", {}, ["Slot", "Folder", "State", "Files", "Limit", "Size", "Action"].map((text, k) =>
                el("th", { scope: "col", class: k >= 3 && k <= 5 ? "num" : false }, text)))),
            el("tbody", {}, folders.map((folder) =>
                el("tr", { "data-slot": folder.slot, "data-state": folder.state },
                    el("td", {}, folder.slot),
                    el("th", { scope: "row", class: "mono" }, folder.dir),
                    el("td", {}, stateBadge(folder.state)),
                    el("td", { class: "num" }, folder.state === "unreadable"
                        ? el("span", { class: "muted small" }, folder.count === null ? "never read" : `last read: ${format.number(folder.count)}`)
                        : format.number(folder.count)),
                    el("td", { class: "num" }, limitCell(folder)),
                    el("td", { class: "num" }, format.bytes(folder.size)),
                    el("td", {}, el("a", { href: page.view("settings", { name }) + `#Alert${folder.slot}`,
                        "aria-label": `Edit limit of ${folder.dir} (slot ${folder.slot})` }, "Edit limit"))))))),
    ];
}

function disksTable(disks) {
    if (!disks || !disks.length) return el("p", { class: "empty" }, "No disk reported.");
    const free = (disk) => disk.freeBytes === null ? el("span", { class: "muted" }, "not reported (drive gone?)") : format.bytes(disk.freeBytes);
    return el("table", { id: "disks-table" },
        el("thead", {}, el("tr", {}, el("th", { scope: "col" }, "Disk"), el("th", { scope: "col", class: "num" }, "Free space"),
            el("th", { scope: "col" }, "State"))),
        el("tbody", {}, disks.map((disk) =>
            el("tr", { "data-drive": disk.drive },
                el("th", { scope: "row", class: "mono" }, disk.drive),
                el("td", { class: "num" }, free(disk)),
                el("td", {}, disk.low === undefined ? el("span", { class: "muted" }, "no threshold") : stateBadge(disk.low ? "lowdisk" : "green"))))));
}

function reportRows(reports) {
    const counts = (report, state) => (report.folders || []).filter((f) => f.state === state).length;
    return reports.map((report) =>
        el("tr", {},
            el("td", {}, format.time(report.receivedAt)),
            el("td", {}, stateBadge(report.alert ? "alert" : "ok")),
            el("td", {}, counts(report, "red")),
            el("td", {}, counts(report, "yellow")),
            el("td", { class: "small" }, (report.message || "").split(/\r?\n/)[0])));
}

// A page of reports at a time; "Older reports" brings the next page below the last.
function reportsTable(name, first) {
    if (!first.reports.length) return el("p", { class: "empty" }, "No report received yet.");
    const body = el("tbody", {}, reportRows(first.reports));
    const more = el("button", { type: "button", id: "older-reports", hidden: first.nextBefore === null });
    let before = first.nextBefore;
    more.append("Older reports");
    more.addEventListener("click", async () => {
        more.disabled = true;
        try {
            const older = await api.reports(name, historyLength, before);
            body.append(...reportRows(older.reports));
            before = older.nextBefore;
            more.hidden = before === null;
        } catch (error) {
            more.after(page.notice("error", error.message));
        } finally {
            more.disabled = false;
        }
    });
    return [el("div", { class: "table-wrap" }, el("table", { id: "reports-table" },
        el("thead", {}, el("tr", {}, ["Received", "Alert", "Folders over", "Folders near", "Message"].map((text) =>
            el("th", { scope: "col" }, text)))),
        body)), more];
}

// Asks for the range's history and redraws the charts; a refusal (a range the server will not answer) shows there.
async function drawRange(chartBox, name, range) {
    fill(chartBox, el("p", { class: "muted" }, "Loading…"));
    try {
        charts.draw(chartBox, await api.history(name, rangePicker.query(range)));
    } catch (error) {
        page.fail(chartBox, error);
    }
}

function panel(title, id, ...content) {
    return el("section", { class: "panel", "aria-labelledby": id }, el("h2", { id }, title), ...content);
}

async function drawComputer(main) {
    const name = page.param("name");
    if (!name) return fill(main, page.notice("error", "No computer named in the address."));
    document.title = `${name} · KOVA Oru console`;
    const [computer, reports] = await Promise.all([api.computer(name), api.reports(name, historyLength)]);
    const status = computer.status;
    const range = rangePicker.fromAddress();
    const chartBox = el("div", { class: "charts", id: "charts" });
    fill(main,
        el("div", { class: "page-head" },
            el("div", {},
                el("p", { class: "small" }, el("a", { href: page.view("fleet") }, "← Fleet")),
                el("h1", { id: "computer-state" }, name, " ", computerBadges(computer), alertActions.badges(computer)),
                tags.links(computer.tags)),
            el("div", { class: "actions" },
                el("a", { href: page.view("settings", { name }), id: "edit-settings" },
                    page.canChange() ? "Edit settings" : "View settings"))),
        !status ? page.notice("info", "This computer has not reported yet.") : [
            panel("Latest report", "latest-heading", latestFacts(status, computer),
                el("h3", {}, "Message from the agent"), el("pre", { class: "message", id: "agent-message" }, status.message || "")),
            panel("Folders", "folders-heading", foldersTable(status.folders, name)),
            panel("Disks", "disks-heading", disksTable(status.disks), page.canChange() ? computerThresholdForm(computer) : null),
        ],
        tags.panel(computer, () => drawComputer(main)),
        await alertActions.panel(name, computer, () => drawComputer(main)),
        panel("Over time", "charts-heading", rangePicker.picker(range, (picked) => drawRange(chartBox, name, picked)), chartBox),
        panel("Reports", "reports-heading", reportsTable(name, reports)));
    await drawRange(chartBox, name, range);
}

page.start("computer", drawComputer);
