// Linked without a GNU build-id: its image has no UUID, so nothing in it can be named.
int functionWithoutBuildId(int x) { return x * 7 + 1; }
