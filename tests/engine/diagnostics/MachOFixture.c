// Linked into small Mach-O images at build time, whose load commands the tests walk.
int fixtureAnswer(void) { return 42; }
