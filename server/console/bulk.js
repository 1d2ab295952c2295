// A settings change for many computers in one step: the settings editor's own fields, a preview of every
// computer's change, then the change applied to all of them or to none.
"use strict";

// The computers the fleet page chose: by name, or every computer its filter matches when the change is made.
function bulkTarget() {
    if (page.param("every")) {
        const filter = { search: page.param("search"), state: page.param("state"), tag: page.param("tag") };
        const parts = [filter.tag && `tagged ${filter.tag}`, filter.search && `whose name contains "${filter.search}"`,
            filter.state && `in state ${filter.state}`].filter(Boolean);
        return { body: { filter }, text: `Every computer ${parts.length ? parts.join(", ") : "in the fleet"}, as matched when you preview and apply.` };
    }
    const names = page.param("names").split("\n").filter(Boolean);
    return { body: { computers: names }, text: `${names.length} ${names.length === 1 ? "computer" : "computers"}: ${names.join(", ")}.` };
}

// The settings chosen so far, each with the editor's own field for it.
class BulkChoice {
    constructor() {
        this.form = new SettingsForm("", {}, false);
        this.list = el("div", { id: "bulk-fields", class: "settings-grid" });
        this.picker = el("select", { id: "bulk-setting" },
            settingMeanings.map((m) => el("option", { value: m.key }, m.label)));
    }

    add() {
        const key = this.picker.value;
        if (this.form.inputs.has(key)) return this.form.inputs.get(key).focus();
        const meaning = settingMeanings.find((m) => m.key === key);
        const field = this.form.field(meaning);
        field.append(el("button", { type: "button", class: "small", "aria-label": `Remove ${meaning.label}`, onclick: () => {
            this.form.inputs.delete(key);
            this.form.reasons.delete(key);
            field.remove();
        } }, "Remove"));
        this.list.append(field);
        this.form.inputs.get(key).focus();
    }

    changes() {
        const changes = {};
        for (const [key, input] of this.form.inputs) changes[key] = this.form.stored(key, input.value);
        return changes;
    }

    draw() {
        return [
            el("div", { class: "inline-form" },
                el("div", { class: "field" }, el("label", { for: "bulk-setting" }, "Setting to change"), this.picker),
                el("button", { type: "button", id: "add-setting", onclick: () => this.add() }, "Add setting")),
            this.list,
        ];
    }
}

const reasonText = (reasons) => Object.entries(reasons).map(([key, reason]) =>
    `${(settingMeanings.find((m) => m.key === key) || { label: key }).label}: ${reason}`).join("; ");

function previewRows(computer) {
    const name = el("th", { scope: "row", rowspan: Math.max(1, computer.changes.length) }, computer.name);
    if (Object.keys(computer.reasons).length)
        return [el("tr", { class: "refused" }, name, el("td", { colspan: 2 }, page.notice("error", `Cannot take this change: ${reasonText(computer.reasons)}`)))];
    return computer.changes.map((shift, k) => el("tr", {},
        k === 0 ? name : null,
        el("td", {}, changeText(shift.setting, shift.old, shift.new, {})),
        el("td", {}, shift.changed ? "changes" : el("span", { class: "muted" }, "unchanged"))));
}

function previewTable(plan) {
    return el("div", { class: "table-wrap" }, el("table", { id: "bulk-preview" },
        el("caption", { class: "visually-hidden" }, "Each computer's change"),
        el("thead", {}, el("tr", {}, ["Computer", "Change", "Outcome"].map((t) => el("th", { scope: "col" }, t)))),
        el("tbody", {}, plan.computers.flatMap(previewRows))));
}

function planSummary(plan) {
    const computers = `${format.number(plan.count)} ${plan.count === 1 ? "computer" : "computers"}`;
    if (plan.refused)
        return page.notice("error", `${format.number(plan.refused)} of ${computers} cannot take this change (shown below), so it cannot be applied: change the values or the computers.`);
    if (!plan.changes) return page.notice("info", `Nothing would change on the ${computers}.`);
    return page.notice("info", `${format.number(plan.changes)} ${plan.changes === 1 ? "setting changes" : "settings change"} over ${computers}. Check them, then apply.`);
}

page.start("bulk", async (main) => {
    if (!page.canChange()) return fill(main, page.notice("error", "Changing settings needs an admin operator."));
    const target = bulkTarget();
    const choice = new BulkChoice();
    const outcome = el("div", { id: "bulk-outcome", "aria-live": "polite" });
    const preview = el("div", { id: "bulk-plan" });
    const showPlan = (plan, body) => fill(preview, planSummary(plan), previewTable(plan),
        !plan.refused && plan.changes ? el("p", { class: "actions" }, el("button", { type: "button", class: "primary", id: "apply-bulk",
            onclick: () => apply({ ...body, fingerprint: plan.fingerprint }) },
        `Apply to ${format.number(plan.count)} ${plan.count === 1 ? "computer" : "computers"}`)) : null);
    const ask = async () => {
        const body = { ...target.body, changes: choice.changes() };
        fill(outcome);
        try {
            showPlan(await api.previewBulk(body), body);
        } catch (error) {
            page.fail(outcome, error);
        }
    };
    const apply = async (body) => {
        try {
            const done = await api.applyBulk(body);
            fill(preview);
            fill(outcome, page.notice("ok", `Saved ${format.number(done.changes)} ${done.changes === 1 ? "change" : "changes"} on ` +
                `${format.number(done.count)} computers; each takes effect at that computer's next settings download. `),
            el("a", { id: "bulk-audit", href: page.view("audit", { operator: page.session.name }) }, "See them in the audit"));
        } catch (error) {
            page.fail(outcome, error);
            if (error.body && error.body.computers) showPlan(error.body, { ...body, fingerprint: undefined });
        }
    };
    fill(main,
        el("div", { class: "page-head" }, el("div", {},
            el("p", { class: "small" }, el("a", { href: page.view("fleet") }, "← Fleet")),
            el("h1", {}, "Change settings of many computers"),
            el("p", { class: "muted", id: "bulk-target" }, target.text))),
        el("section", { class: "panel", "aria-labelledby": "choose-heading" },
            el("h2", { id: "choose-heading" }, "Settings to change"),
            el("p", { class: "muted" }, "The same fields and rules as one computer's settings; the settings you do not add stay as each computer has them."),
            choice.draw(),
            el("p", { class: "actions" }, el("button", { type: "button", id: "preview-bulk", onclick: ask }, "Preview the change"))),
        outcome,
        el("section", { class: "panel", "aria-labelledby": "plan-heading" }, el("h2", { id: "plan-heading" }, "Preview"), preview));
});
