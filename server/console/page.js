// What every signed-in page shares: the top bar, the session check, DOM building and number formats.
"use strict";

// Builds an element; text always goes in as text, so names and paths reported by agents cannot inject markup.
function el(tag, attributes = {}, ...children) {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes)) {
        if (value === undefined || value === null || value === false) continue;
        if (key.startsWith("on")) node.addEventListener(key.slice(2), value);
        else node.setAttribute(key, value === true ? "" : value);
    }
    for (const child of children.flat()) {
        if (child === undefined || child === null || child === false) continue;
        node.append(child instanceof Node ? child : String(child));
    }
    return node;
}

// Replaces a node's content; nested lists are flattened and absent parts left out.
function fill(node, ...children) {
    node.replaceChildren(...children.flat(Infinity).filter((c) => c !== undefined && c !== null && c !== false && c !== ""));
    return node;
}

// Times show in UTC or in the browser's zone, as the operator chose (kept in this browser), always named.
const timeZoneKey = "kova.timeZone";

const format = {
    inUtc() {
        return localStorage.getItem(timeZoneKey) !== "local";
    },
    time(iso) {
        if (!iso) return "never";
        const when = new Date(iso);
        if (Number.isNaN(when.getTime())) return String(iso);
        return format.timeFormat().format(when);
    },
    // One formatter for every time shown: making one per time cost seconds on a page of 1,000 computers.
    timeFormat() {
        const zone = format.inUtc() ? "UTC" : undefined;
        if (!format.made || format.made.zone !== zone)
            format.made = { zone, formatter: new Intl.DateTimeFormat("en-GB", { day: "numeric", month: "short", year: "numeric",
                hour: "2-digit", minute: "2-digit", second: "2-digit", timeZoneName: "short", timeZone: zone }) };
        return format.made.formatter;
    },
    // A span of time in its largest whole unit: "3 h", "12 min", "2 d".
    span(seconds) {
        const steps = [["d", 86400], ["h", 3600], ["min", 60], ["s", 1]];
        const [unit, size] = steps.find(([, s]) => seconds >= s) || ["s", 1];
        return `${Math.floor(seconds / size)} ${unit}`;
    },
    // The server counts the seconds, so a wrong clock in the operator's browser cannot mislead.
    ago(seconds) {
        if (seconds === null || seconds === undefined || !Number.isFinite(Number(seconds))) return "";
        if (seconds < 60) return "just now";
        const steps = [["day", 86400], ["hour", 3600], ["minute", 60]];
        const [unit, size] = steps.find(([, s]) => seconds >= s);
        const count = Math.floor(seconds / size);
        return `${count} ${unit}${count === 1 ? "" : "s"} ago`;
    },
    bytes(value) {
        if (value === null || value === undefined || value === "") return "–";
        let number = Number(value);
        if (!Number.isFinite(number)) return String(value);
        const units = ["B", "KB", "MB", "GB", "TB"];
        let unit = 0;
        while (number >= 1000 && unit < units.length - 1) {
            number /= 1000;
            unit += 1;
        }
        return `${number.toLocaleString("en-GB", { maximumFractionDigits: unit ? 1 : 0 })} ${units[unit]}`;
    },
    number(value) {
        const number = Number(value);
        return value === "" || value === null || !Number.isFinite(number) ? String(value ?? "") : number.toLocaleString("en-GB");
    },
};

// A folder's or computer's state as a dot and a word; colour is never the only sign.
function stateBadge(state) {
    const looks = {
        red: ["red", "Over limit"],
        yellow: ["yellow", "Near limit"],
        green: ["green", "Normal"],
        unreadable: ["red", "Cannot read"],
        alert: ["red", "Alert"],
        silent: ["silent", "Silent"],
        lowdisk: ["orange", "Low disk"],
        near: ["yellow", "Near limit"],
        ok: ["green", "OK"],
        none: ["grey", "No report"],
    };
    const [colour, word] = looks[state] || ["grey", state];
    return el("span", { class: `state state-${colour}`, "data-state": state }, word);
}

// Silence in its own colour with how long it lasts, beside whatever else stands (never beside "OK").
function silenceBadge(secondsSinceReport) {
    const word = Number.isFinite(Number(secondsSinceReport)) && secondsSinceReport !== null
        ? `Silent for ${format.span(secondsSinceReport)}` : "Silent";
    return el("span", { class: "state state-silent", "data-state": "silent" }, word);
}

// A computer's state badge, with silence beside it when it stands too.
function computerBadges(computer) {
    if (computer.state === "silent") return [silenceBadge(computer.secondsSinceReport)];
    const badges = [stateBadge(computer.state)];
    if (computer.silent && computer.state !== "none") badges.push(" ", silenceBadge(computer.secondsSinceReport));
    return badges;
}

const page = {
    session: null,

    param(name) {
        return new URLSearchParams(location.search).get(name) || "";
    },

    link(file, params = {}) {
        const query = new URLSearchParams(Object.entries(params).filter(([, v]) => v !== "" && v !== undefined));
        return query.toString() ? `${file}?${query}` : file;
    },

    // The address of one of the console's views; all of them live in the one shell page.
    view(name, params = {}) {
        return page.link("console.html", { view: name, ...params });
    },

    canChange() {
        return page.session && page.session.role === "admin";
    },

    notice(kind, text) {
        return el("div", { class: `notice notice-${kind}`, role: kind === "error" ? "alert" : "status" }, text);
    },

    // Failed logins under the operator's name between their previous login and this one, so that they
    // learn of someone guessing their password; nothing when there were none.
    failedLoginsNotice(session) {
        if (!session.failedLogins) return null;
        const count = session.failedLogins === 1 ? "1 failed login" : `${session.failedLogins} failed logins`;
        const last = format.time(session.lastFailedLoginAt);
        return el("div", { id: "failed-logins" }, page.notice("error",
            `${count} under your name since your previous login, the last at ${last}. ` +
            "If that was not you, someone is guessing your password: choose a stronger one."));
    },

    // Replaces a container's content with a failure the operator can read; a lost session goes to login.
    fail(container, error) {
        if (error.status === 401) return page.toLogin();
        fill(container, page.notice("error", error.message || String(error)));
    },

    toLogin() {
        location.href = page.link("index.html", { next: location.pathname.split("/").pop() + location.search });
    },

    // UTC or the browser's zone for every time shown; the page draws again in the chosen one.
    zoneSwitch() {
        const choose = (event) => {
            localStorage.setItem(timeZoneKey, event.target.value);
            location.reload();
        };
        return el("label", { class: "zone-switch" }, "Times in ",
            el("select", { id: "time-zone", onchange: choose },
                el("option", { value: "utc", selected: format.inUtc() }, "UTC"),
                el("option", { value: "local", selected: !format.inUtc() }, "local time")));
    },

    topBar(current) {
        const items = [["fleet", "Fleet"], ["enrolment", "Enrolment"], ["audit", "Audit"], ["events", "Events"]];
        if (page.canChange()) items.push(["webhooks", "Webhooks"]);
        const logOut = async () => {
            try {
                await api.logOut();
            } finally {
                location.href = "index.html?loggedOut=1";
            }
        };
        return [
            el("a", { class: "brand", href: page.view("fleet") }, "KOVA Oru console"),
            el("nav", { "aria-label": "Console pages" },
                el("ul", {}, items.map(([view, text]) =>
                    el("li", {}, el("a", { href: page.view(view), "aria-current": view === current ? "page" : false }, text))))),
            el("div", { class: "who" },
                page.zoneSwitch(),
                el("span", { id: "operator-name" }, page.session.name),
                el("span", { class: "role" }, `(${page.session.role})`),
                el("button", { type: "button", class: "logout", id: "logout", onclick: logOut }, "Log out")),
        ];
    },

    // Checks the session, draws the top bar and hands over to the view's own drawing.
    async start(current, draw) {
        const main = document.getElementById("main");
        document.title = `${current.charAt(0).toUpperCase()}${current.slice(1)} · KOVA Oru console`;
        try {
            page.session = await api.session();
        } catch (error) {
            if (error.status === 401) return page.toLogin();
            return page.fail(main, error);
        }
        fill(document.getElementById("topbar"), page.topBar(current));
        const warning = page.failedLoginsNotice(page.session);
        if (warning) main.before(warning);
        try {
            await draw(main);
        } catch (error) {
            page.fail(main, error);
        }
    },
};
