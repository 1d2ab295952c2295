// The 28 settings a computer downloads, in the order of its settings reply, with what each means to it.
"use strict";

const dateExample = "Date and time as 2026-12-24 03:00:00 (or just the date).";

const settingMeanings = (() => {
    const folders = [];
    const limits = [];
    for (let slot = 1; slot <= 10; slot += 1) {
        folders.push({ key: `Dir${slot}`, group: "folders", slot, label: `Folder ${slot}`,
            hint: "Full path of a folder whose files are counted (not its subfolders). Empty leaves the slot unused. Must not contain a comma followed by a blank." });
        limits.push({ key: `Alert${slot}`, group: "folders", slot, label: `Limit ${slot}`,
            hint: "Whole number of files from 1 to 9999, needed when the slot has a folder. Red when the count exceeds it, yellow above 75 % of it." });
    }
    return [
        { key: "LogFlag", group: "kept", label: "Log flag", hint: "Kept on the computer and reported back; the agent does nothing else with it." },
        { key: "SettingTime", group: "monitoring", label: "Monitoring interval (minutes)", unit: "minutes",
            hint: "How often the agent runs a cycle (settings download, folder count, report). The agent counts in ticks of 36 seconds, so the interval is rounded to whole ticks (from 0.6 to 19,660 minutes)." },
        { key: "SnoozeTime", group: "kept", label: "Snooze time", hint: "Kept on the computer and reported back; the agent does nothing else with it." },
        { key: "ManualReboot", group: "reboot", label: "Reboot once at (the computer's local time)",
            hint: `One-time reboot: the computer restarts at its next cycle as long as that cycle comes before this date and time. Empty: no one-time reboot. ${dateExample}` },
        { key: "AutoRebootTime", group: "reboot", label: "Repeat every (hours)",
            hint: "Whole number of hours, best a multiple of 24; 0 for no repeat. After a scheduled reboot the next one is set this many hours after that day's midnight, at the same time of day." },
        { key: "RebootTime", group: "reboot", label: "Next scheduled reboot (the computer's local time)",
            hint: `The computer restarts at its first cycle after this date and time on its own clock, then moves it on by the repeat. ${dateExample}` },
        ...folders,
        ...limits,
        { key: "Disable", group: "monitoring", label: "Disabled", choices: [["0", "No (0)"], ["1", "Yes (1)"]],
            hint: "Marks the computer as disabled; the agent keeps it and reports it back." },
        { key: "CheckUpdate", group: "update", label: "Next update date",
            hint: `Required. At its first cycle after this date and time the agent downloads its new version and moves the date on by a day. ${dateExample}` },
    ];
})();
