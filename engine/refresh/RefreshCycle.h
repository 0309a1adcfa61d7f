#pragma once
// The refresh cycle: SpringBoard's display events become new wallpapers. In screen-off mode each
// display-off fetches a random picture; in timeline mode each display-on (or the add-on window
// hiding) asks the timeline whether a new entry is due. Each routine has its own cool-down.
//
// Start-up (EngineStartup.h) hooks the three methods below; SpringBoard's own sends then reach the
// replacements, which also call through to the implementations they replaced.
#include "platform/runtime/NSNotification.h"
#include "platform/runtime/Runtime.h"

// The implementations the hooks replaced; filled in by MSHookMessageEx when the hooks go in, and
// called through with unchanged arguments.
extern objc::IMP orig_SBLockScreenManager_handleBacklightDidTurnOff;
extern objc::IMP orig_SBLockScreenManager_handleBacklightLevelWillChange;
extern objc::IMP orig_OrbelLumenholdWindow_hide;

// SBLockScreenManager _handleBacklightDidTurnOff:
void replaced_SBLockScreenManager_handleBacklightDidTurnOff(objc::Object* self, objc::SEL _cmd, objc::Object* sender);
// SBLockScreenManager _handleBacklightLevelWillChange:
void replaced_SBLockScreenManager_handleBacklightLevelWillChange(objc::Object* self, objc::SEL _cmd,
                                                                  objc::NSNotification* notification);
// OrbelLumenholdWindow hide
void replaced_OrbelLumenholdWindow_hide(objc::Object* self, objc::SEL _cmd);

// Timeline check: cool-down, then the evaluation on the background queue.
void checkForNewWallpaper();
// Random-picture refresh: cool-down, switches, provider set-up, fetch. Runs on a background thread.
void reloadWallpaper();

// For tests: the cool-downs as a freshly started SpringBoard has them (no earlier call).
void resetRefreshCycleState();
