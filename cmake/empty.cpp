// Keeps a library or program with no sources of its own yet buildable.
