/* A library for the loader's tests to open by its device path. */
int loaderProbeAnswer(void) { return 42; }
