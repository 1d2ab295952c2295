// Placeholder until the server sources land.
