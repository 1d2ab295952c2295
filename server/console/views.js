// The shell page console.html shows one view at a time: this loads the scripts of the view its address asks
// for, in the order they need each other.
"use strict";

const viewScripts = {
    fleet: ["alert-actions.js", "disk-threshold.js", "tags.js", "fleet-select.js", "fleet.js"],
    computer: ["chart.js", "charts.js", "range-picker.js", "alert-actions.js", "disk-threshold.js", "tags.js", "computer.js"],
    settings: ["setting-meanings.js", "settings-form.js", "settings.js"],
    bulk: ["setting-meanings.js", "settings-form.js", "bulk.js"],
    enrolment: ["enrolment.js"],
    audit: ["audit.js"],
    events: ["events.js"],
    webhooks: ["webhooks.js"],
};

function loadScript(src) {
    return new Promise((resolve, reject) => {
        const script = document.createElement("script");
        script.src = src;
        script.addEventListener("load", resolve);
        script.addEventListener("error", () => reject(new Error(`The console could not load ${src} from the server.`)));
        document.head.append(script);
    });
}

(async () => {
    const scripts = viewScripts[page.param("view")] || viewScripts.fleet;
    try {
        for (const src of scripts) await loadScript(src);
    } catch (error) {
        fill(document.getElementById("main"), page.notice("error", error.message));
    }
})();
