// The settings a first start stores: the save folder on the desktop and the
// default hot key, built from the shell.
#pragma once

#include "platform/platform.h"
#include "settings/settings_fault.h"

// Puts the default folder (the desktop folder + "\screenshots\") and hot key
// into memory. When the desktop gives no folder that fits, memory gets an
// empty folder and no hot key, and the fault kNoDefaultFolder names the
// desktop folder where there is one. Runs once at start-up, before the
// settings are loaded.
SettingsFault InitDefaultSettings(platform::Shell& shell);
