// Keeps every folder library non-empty while its folder is.
