// Charts over the report history, drawn with the Chart.js the server itself serves.
"use strict";

const charts = (() => {
    const palette = ["#1f5f8b", "#2e7d4f", "#8e44ad", "#d35400", "#16a085", "#7f8c8d", "#c0392b", "#2c3e50", "#b7791f", "#6c5ce7"];
    const minute = 60 * 1000;
    const day = 24 * 60 * minute;

    // Called by Chart.js with the axis as "this": seconds only for a short span, the date only for a long one.
    function timeTick(ms) {
        const span = this.max - this.min;
        const when = new Date(ms);
        const timeZone = format.inUtc() ? "UTC" : undefined;
        const time = when.toLocaleTimeString("en-GB", span < 10 * minute
            ? { hour: "2-digit", minute: "2-digit", second: "2-digit", timeZone } : { hour: "2-digit", minute: "2-digit", timeZone });
        return span < day ? time : [time, when.toLocaleDateString("en-GB", { day: "numeric", month: "short", timeZone })];
    }

    // Reports seconds apart would otherwise give an axis of repeated labels.
    function atLeastAMinute(scale) {
        if (scale.max - scale.min >= minute) return;
        const middle = (scale.max + scale.min) / 2;
        scale.min = middle - minute / 2;
        scale.max = middle + minute / 2;
    }

    function options(yTitle, yFormat) {
        return {
            animation: false,
            maintainAspectRatio: false,
            interaction: { mode: "nearest", axis: "x", intersect: false },
            plugins: {
                legend: { position: "bottom", labels: { boxWidth: 12 } },
                tooltip: { callbacks: { title: (items) => format.time(new Date(items[0].parsed.x).toISOString()),
                    label: (item) => `${item.dataset.label}: ${yFormat(item.parsed.y)}` } },
            },
            scales: {
                x: { type: "linear", title: { display: true, text: format.inUtc() ? "UTC" : "local time" }, afterDataLimits: atLeastAMinute, ticks: { callback: timeTick, maxTicksLimit: 5, maxRotation: 0 } },
                y: { beginAtZero: true, title: { display: true, text: yTitle }, ticks: { callback: yFormat } },
            },
        };
    }

    // A limit is drawn as steps: it holds from one report until it is changed. Its points show only while
    // there is no line to see.
    function line(label, points, colour, isLimit) {
        return { label, data: points, borderColor: colour, backgroundColor: colour, borderWidth: isLimit ? 1.5 : 2,
            pointRadius: isLimit && points.length > 1 ? 0 : 3, stepped: isLimit ? "before" : false };
    }

    function box(title, summary, config) {
        const canvas = el("canvas", { role: "img", "aria-label": summary });
        const holder = el("figure", { class: "chart-box" },
            el("figcaption", {}, el("h3", {}, title)),
            el("div", { class: "canvas-holder" }, canvas));
        return { holder, draw: () => new Chart(canvas, config) };
    }

    // Oldest first, each report's time as milliseconds.
    const timeline = (reports) => reports.map((r) => ({ ...r, at: new Date(r.receivedAt).getTime() })).reverse();

    function folderCharts(reports) {
        const folders = new Map();
        for (const report of timeline(reports)) {
            for (const folder of report.folders || []) {
                const key = `${folder.slot}\u0000${folder.dir}`;
                if (!folders.has(key)) folders.set(key, { folder, counts: [], limits: [] });
                const entry = folders.get(key);
                entry.counts.push({ x: report.at, y: folder.count });
                entry.limits.push({ x: report.at, y: folder.limit });
            }
        }
        return [...folders.values()].map(({ folder, counts, limits }) => {
            const last = counts[counts.length - 1].y;
            return box(`Folder ${folder.slot}: ${folder.dir}`,
                `File count of ${folder.dir} against its limit over ${counts.length} reports; latest ${last} files, limit ${limits[limits.length - 1].y}.`,
                { type: "line", data: { datasets: [line("Files", counts, palette[0]), line("Limit", limits, "#c0392b", true)] },
                    options: options("Files", format.number) });
        });
    }

    function diskChart(reports) {
        const disks = new Map();
        for (const report of timeline(reports)) {
            for (const disk of report.disks || []) {
                if (!disks.has(disk.drive)) disks.set(disk.drive, []);
                disks.get(disk.drive).push({ x: report.at, y: disk.freeBytes });
            }
        }
        if (!disks.size) return [];
        const datasets = [...disks.entries()].map(([path, points], k) => line(path, points, palette[k % palette.length]));
        return [box("Free disk space", `Free space of ${disks.size} disk(s) over time.`,
            { type: "line", data: { datasets }, options: options("Free space", format.bytes) })];
    }

    // Fills the container with one chart per folder and one for the disks.
    function draw(container, reports) {
        const boxes = [...folderCharts(reports), ...diskChart(reports)];
        if (!boxes.length) {
            fill(container, el("p", { class: "empty" }, "No reports with folders or disks yet."));
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
