// The one place that knows the API's addresses: every page calls these functions and nothing else.
"use strict";

const api = (() => {
    const base = "/api/v1";
    const tokenKey = "kova.csrfToken";

    class ApiError extends Error {
        constructor(status, body) {
            super(body.error || `The server answered ${status}.`);
            this.status = status;
            this.body = body;
        }
    }

    const path = (strings, ...values) =>
        strings.reduce((out, piece, k) => out + encodeURIComponent(values[k - 1]) + piece);

    const query = (params) => {
        const kept = Object.entries(params).filter(([, value]) => value !== undefined && value !== "");
        return kept.length ? "?" + new URLSearchParams(kept).toString() : "";
    };

    async function request(method, address, body) {
        const headers = { Accept: "application/json" };
        if (body !== undefined) headers["Content-Type"] = "application/json";
        if (method !== "GET") headers["X-CSRF-Token"] = sessionStorage.getItem(tokenKey) || "";
        const reply = await fetch(base + address, {
            method,
            headers,
            body: body === undefined ? undefined : JSON.stringify(body),
            credentials: "same-origin",
            cache: "no-store",
        });
        const text = await reply.text();
        let data = {};
        try {
            data = text ? JSON.parse(text) : {};
        } catch {
            data = { error: text };
        }
        if (!reply.ok) throw new ApiError(reply.status, data);
        return data;
    }

    // The token comes with the session; pages opened later read it again from the session route.
    const keepSession = (session) => {
        if (session.csrfToken) sessionStorage.setItem(tokenKey, session.csrfToken);
        return session;
    };

    return {
        ApiError,
        logIn: (name, password) => request("POST", "/session", { name, password }).then(keepSession),
        session: () => request("GET", "/session").then(keepSession),
        logOut: () => request("DELETE", "/session").finally(() => sessionStorage.removeItem(tokenKey)),
        computers: (asked) => request("GET", "/computers" + query(asked)),
        computer: (name) => request("GET", path`/computers/${name}`),
        reports: (name, limit, before) => request("GET", path`/computers/${name}/reports` + query({ limit, before })),
        history: (name, range) => request("GET", path`/computers/${name}/history` + query(range)),
        saveSettings: (name, changes) => request("PUT", path`/computers/${name}/settings`, changes),
        pending: () => request("GET", "/pending"),
        approve: (name) => request("POST", path`/computers/${name}/approve`),
        refuse: (name) => request("POST", path`/computers/${name}/refuse`),
        resetKey: (name) => request("POST", path`/computers/${name}/reset-key`),
        allowWithoutKey: (name) => request("PUT", path`/computers/${name}/keyless`, { allowed: true }),
        fleetDiskThreshold: () => request("GET", "/fleet/disk-threshold"),
        saveFleetDiskThreshold: (threshold) => request("PUT", "/fleet/disk-threshold", { threshold }),
        saveDiskThreshold: (name, threshold) => request("PUT", path`/computers/${name}/disk-threshold`, { threshold }),
        audit: (computer, operator, before) => request("GET", "/audit" + query({ computer, operator, before })),
        events: (filters) => request("GET", "/events" + query(filters)),
        eventsCsvAddress: (filters) => base + "/events.csv" + query(filters),
        acknowledge: (name, note, until) => request("POST", path`/computers/${name}/acknowledge`, { note, until }),
        maintenance: (name) => request("GET", path`/computers/${name}/maintenance`),
        planMaintenance: (name, from, to, note) => request("POST", path`/computers/${name}/maintenance`, { from, to, note }),
        webhooks: () => request("GET", "/webhooks"),
        addWebhook: (url, secret) => request("POST", "/webhooks", { url, secret }),
        testWebhook: (id) => request("POST", path`/webhooks/${id}/test`),
        disableWebhook: (id) => request("POST", path`/webhooks/${id}/disable`),
        endMaintenance: (name, id) => request("DELETE", path`/computers/${name}/maintenance` + query({ id })),
        saveTags: (name, tags) => request("PUT", path`/computers/${name}/tags`, { tags }),
        tagMaintenance: (tag) => request("GET", path`/tags/${tag}/maintenance`),
        planTagMaintenance: (tag, from, to, note) => request("POST", path`/tags/${tag}/maintenance`, { from, to, note }),
        endTagMaintenance: (tag, id) => request("DELETE", path`/tags/${tag}/maintenance` + query({ id })),
        previewBulk: (change) => request("POST", "/bulk/preview", change),
        applyBulk: (change) => request("POST", "/bulk/apply", change),
    };
})();
