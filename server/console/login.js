// The login form: on success to the page the operator was sent away from, else to the fleet.
"use strict";

function showLoginMessage(kind, text) {
    const box = document.getElementById("login-message");
    const notice = document.createElement("div");
    notice.className = `notice notice-${kind}`;
    notice.setAttribute("role", kind === "error" ? "alert" : "status");
    notice.textContent = text;
    box.replaceChildren(notice);
}

// Only a view of this console may follow the login, never an address elsewhere.
function nextPage() {
    const next = new URLSearchParams(location.search).get("next") || "";
    return /^console\.html\?[^/:\\]*$/.test(next) ? next : "console.html?view=fleet";
}

async function logIn(event) {
    event.preventDefault();
    const name = document.getElementById("name").value.trim();
    const password = document.getElementById("password").value;
    if (!name || !password) {
        showLoginMessage("error", "Enter your operator name and password.");
        return;
    }
    const button = document.getElementById("login-button");
    button.disabled = true;
    try {
        await api.logIn(name, password);
        location.href = nextPage();
    } catch (error) {
        showLoginMessage("error", error.message);
        button.disabled = false;
    }
}

document.getElementById("login-form").addEventListener("submit", logIn);
if (new URLSearchParams(location.search).has("loggedOut")) {
    showLoginMessage("ok", "You are logged out.");
} else {
    // Someone still logged in (a bookmark of the console's address) goes straight on.
    api.session().then(() => { location.href = nextPage(); }, () => {});
}
