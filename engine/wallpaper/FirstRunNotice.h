#pragma once
// The notice shown once, at the first SpringBoard launch with the engine, telling the user that the
// engine looks after the wallpapers while it is installed. Start-up (EngineStartup.h) hooks
// SpringBoard's applicationDidFinishLaunching: with the replacement below.
#include "platform/runtime/Runtime.h"

extern objc::IMP orig_SpringBoard_applicationDidFinishLaunching;

// SpringBoard applicationDidFinishLaunching:
void replaced_SpringBoard_applicationDidFinishLaunching(objc::Object* self, objc::SEL _cmd, objc::Object* application);
