// Tags group computers: shown on each fleet row and on the computer page, each a link to the fleet filtered
// by it; admins set a computer's tags on its page.
"use strict";

const tags = (() => {
    const rule = "Lowercase letters, digits, - and _ (up to 32 characters), at most 20 tags, separated by commas or blanks.";

    function links(list) {
        if (!list || !list.length) return null;
        return el("span", { class: "tags" }, list.map((tag) =>
            el("a", { class: "tag", href: page.view("fleet", { tag }), "aria-label": `Computers tagged ${tag}` }, tag)));
    }

    function typed(text) {
        return text.split(/[\s,]+/).filter(Boolean);
    }

    // The computer page's tag field; an admin saves the whole set at once.
    function editor(name, current, redraw) {
        const outcome = el("div", { id: "tags-outcome", "aria-live": "polite" });
        const input = el("input", { type: "text", id: "tags-input", name: "tags", value: current.join(", "),
            spellcheck: "false", autocomplete: "off", "aria-describedby": "tags-hint" });
        const save = async (event) => {
            event.preventDefault();
            try {
                await api.saveTags(name, typed(input.value));
                await redraw();
            } catch (error) {
                page.fail(outcome, error);
            }
        };
        return el("form", { class: "inline-form", id: "tags-form", onsubmit: save },
            el("div", { class: "field" }, el("label", { for: "tags-input" }, "Tags"), input,
                el("span", { class: "hint", id: "tags-hint" }, rule)),
            el("button", { type: "submit", id: "save-tags" }, "Save tags"),
            outcome);
    }

    function panel(computer, redraw) {
        const list = computer.tags || [];
        return el("section", { class: "panel", "aria-labelledby": "tags-heading", id: "computer-tags" },
            el("h2", { id: "tags-heading" }, "Tags"),
            list.length ? el("p", {}, links(list)) : el("p", { class: "muted", id: "no-tags" }, "No tag."),
            page.canChange() ? editor(computer.name, list, redraw) : null);
    }

    return { links, panel };
})();
