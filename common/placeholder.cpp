// Placeholder until the wire format lands.
