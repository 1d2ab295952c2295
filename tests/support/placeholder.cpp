// Keeps the support library non-empty until it holds helpers.
