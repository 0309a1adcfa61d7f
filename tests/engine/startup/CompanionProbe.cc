// Stands in for the companion library: tells the host how many hooks were in place when it loaded.
extern "C" void TovaluneTestCompanionLoaded();

__attribute__((constructor)) static void companionLoaded() { TovaluneTestCompanionLoaded(); }
