// Charts over a computer's history, drawn with the Chart.js the server itself serves.
"use strict";

const charts = (() => {
    const palette = ["#1f5f8b", "#2e7d4f", "#8e44ad", "#d35400", "#16a085", "#7f8c8d", "#c0392b", "#2c3e50", "#b7791f", "#6c5ce7"];
    const limitColour = "#c0392b";
    const minute = 60 * 1000;
    const hour = 60 * minute;
    const day = 24 * hour;
    // Tick steps an operator reads at a glance; the axis takes the smallest that gives few enough ticks.
    const steps = [minute, 5 * minute, 15 * minute, 30 * minute, hour, 3 * hour, 6 * hour, 12 * hour, day, 2 * day, 7 * day, 14 * day];
    const mostTicks = 7;

    // Ticks on whole local minutes, hours or days, so that they read as times on the operator's clock. A span
    // counted back from the browser's now ends at the server's, a moment later: 7 d and a few milliseconds
    // still takes daily ticks.
    function timeTicks(min, max) {
        const step = steps.find((s) => Math.round((max - min) / s) <= mostTicks) || 30 * day;
        const start = new Date(min);
        if (step >= day) start.setHours(0, 0, 0, 0);
        else start.setHours(step >= hour ? 0 : start.getHours(), 0, 0, 0);
        const ticks = [];
        for (const when = start; when.getTime() <= max; step >= day ? when.setDate(when.getDate() + step / day) : when.setTime(when.getTime() + step)) {
            if (when.getTime() >= min) ticks.push({ value: when.getTime() });
        }
        return ticks;
    }

    // The date goes under a tick where the day changes, and under the first; only the date for day steps.
    function tickLabel(ms, index, ticks) {
        const when = new Date(ms);
        // In the zone the operator chose (UTC or the browser's own), like every other time on the page.
        const timeZone = format.inUtc() ? "UTC" : undefined;
        const dayOf = (moment) => new Date(moment).toLocaleDateString("en-GB", { day: "numeric", month: "short", timeZone });
        const date = dayOf(ms);
        const step = ticks.length > 1 ? ticks[1].value - ticks[0].value : 0;
        if (step >= day) return date;
        const time = when.toLocaleTimeString("en-GB", { hour: "2-digit", minute: "2-digit", timeZone });
        const newDay = index === 0 || dayOf(ticks[index - 1].value) !== date;
        return newDay ? [time, date] : time;
    }

    function tooltipLabel(yFormat) {
        return (item) => item.raw.change
            ? `Limit changed from ${format.number(item.raw.change.from ?? "none")} to ${format.number(item.raw.change.to ?? "none")}`
            : `${item.dataset.label}: ${yFormat(item.parsed.y)}`;
    }

    // The axis spans exactly the range asked for, ending at its end or at the server's now.
    function options(range, yTitle, yFormat) {
        return {
            animation: false,
            maintainAspectRatio: false,
            interaction: { mode: "nearest", axis: "x", intersect: false },
            plugins: {
                // An empty line (no limit change in the range) has nothing to explain.
                legend: { position: "bottom", labels: { boxWidth: 12, filter: (item, data) => data.datasets[item.datasetIndex].data.length > 0 } },
                tooltip: { callbacks: { title: (items) => format.time(new Date(items[0].parsed.x).toISOString()),
                    label: tooltipLabel(yFormat) } },
            },
            scales: {
                x: { type: "linear", min: range.from, max: range.to, title: { display: true, text: format.inUtc() ? "UTC" : "local time" },
                    afterBuildTicks: (scale) => { scale.ticks = timeTicks(range.from, range.to); },
                    ticks: { callback: tickLabel, maxRotation: 0, autoSkip: false } },
                y: { beginAtZero: true, title: { display: true, text: yTitle }, ticks: { callback: yFormat } },
            },
        };
    }

    function line(label, points, colour) {
        return { label, data: points, borderColor: colour, backgroundColor: colour, borderWidth: 2, pointRadius: points.length > 1 ? 1.5 : 3 };
    }

    // A limit holds from the report that set it until it changes, and still holds at the range's end.
    function limitLine(points, end) {
        const held = points.length ? [...points, { x: end, y: points[points.length - 1].y }] : points;
        return { label: "Limit", data: held, borderColor: limitColour, backgroundColor: limitColour, borderWidth: 1.5,
            pointRadius: 0, stepped: "after" };
    }

    function changeMarkers(changes) {
        return { label: "Limit changed", data: changes.map((change) => ({ x: change.x, y: change.to ?? 0, change })),
            showLine: false, pointStyle: "triangle", pointRadius: 7, pointHoverRadius: 9,
            borderColor: "#7a4b00", backgroundColor: "#f0b429" };
    }

    function box(title, summary, config, ...notes) {
        const canvas = el("canvas", { role: "img", "aria-label": summary });
        const holder = el("figure", { class: "chart-box" },
            el("figcaption", {}, el("h3", {}, title)),
            el("div", { class: "canvas-holder" }, canvas), ...notes);
        return { holder, draw: () => new Chart(canvas, config) };
    }

    const at = (text) => new Date(text).getTime();

    function changeList(changes) {
        if (!changes.length) return null;
        return el("ul", { class: "limit-changes small" }, changes.map((change) =>
            el("li", {}, `Limit changed ${format.time(new Date(change.x).toISOString())}: `,
                `${format.number(change.from ?? "none")} → ${format.number(change.to ?? "none")}`)));
    }

    function folderCharts(history, range, bucketed) {
        return history.folders.map((folder) => {
            const counts = folder.points.map((p) => ({ x: at(p.at), y: p.count }));
            const limits = folder.points.map((p) => ({ x: at(p.at), y: p.limit }));
            const changes = folder.limitChanges.map((c) => ({ x: at(c.at), from: c.from, to: c.to }));
            const latest = folder.points[folder.points.length - 1];
            const label = bucketed ? "Files (most in each stretch)" : "Files";
            return box(`Folder ${folder.slot}: ${folder.dir}`,
                `File count of ${folder.dir} against its limit; latest ${latest.count} files, limit ${latest.limit}; ` +
                `the limit changed ${changes.length} time(s).`,
                { type: "line", data: { datasets: [line(label, counts, palette[0]), limitLine(limits, range.to), changeMarkers(changes)] },
                    options: options(range, "Files", format.number) },
                changeList(changes));
        });
    }

    function diskChart(history, range, bucketed) {
        if (!history.disks.length) return [];
        const datasets = history.disks.map((disk, k) =>
            line(bucketed ? `${disk.drive} (least in each stretch)` : disk.drive,
                disk.points.map((p) => ({ x: at(p.at), y: p.freeBytes })), palette[k % palette.length]));
        return [box("Free disk space", `Free space of ${history.disks.length} disk(s) over time.`,
            { type: "line", data: { datasets }, options: options(range, "Free space", format.bytes) })];
    }

    // Fills the container with one chart per folder and one for the disks, over the range the server answered.
    function draw(container, history) {
        const range = { from: at(history.from), to: at(history.to) };
        const bucketed = history.bucketSeconds > 0;
        const boxes = [...folderCharts(history, range, bucketed), ...diskChart(history, range, bucketed)];
        if (!boxes.length) {
            fill(container, el("p", { class: "empty" }, "No report with folders or disks in this range."));
            return;
        }
        fill(container, boxes.map((b) => b.holder));
        if (typeof Chart === "undefined") {
            container.prepend(page.notice("error", "The chart library could not be loaded from the server."));
            return;
        }
        boxes.forEach((b) => b.draw());
    }

    return { draw };
})();
