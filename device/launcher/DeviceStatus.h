#pragma once
// `status [--json]`: the device's settings and folders, whether SpringBoard runs and has the
// engine loaded, and the current wallpapers. Returns the exit status.
int runDeviceStatus(bool asJSON);
