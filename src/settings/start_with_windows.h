// Starting with Windows: the value "ClipboardTarnwick" under the current
// user's Run key, and the mark with which Task Manager's startup list turns
// such an entry off without removing it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "settings/settings_fault.h"

extern const char16_t kRunKey[];              // u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"
extern const char16_t kStartupApprovedKey[];  // u"...\\Explorer\\StartupApproved\\Run"
extern const char16_t kRunValueName[];        // u"ClipboardTarnwick"

// The Run value's data for a program: its full path in double quotes, so
// that a path with spaces names one file only.
std::u16string RunValueText(std::u16string_view program);

// Whether a Run value names this very program: quotes and surrounding spaces
// aside, the same path, letter case ignored (ASCII letters only: a path the
// program wrote itself differs at most in how a drive or folder was typed).
bool RunValueNamesProgram(std::u16string_view value, std::u16string_view program);

// Whether Task Manager has turned the entry off. Its StartupApproved value is
// a REG_BINARY, as observed on Windows 8 to 11 (the format is not
// documented): 12 bytes, the first a set of flags whose lowest bit is set
// when the entry is off (02 or 06 on, 03 or 07 off), then the FILETIME of
// turning it off. A missing or empty value leaves the entry on.
bool StartupApprovedSaysOff(const std::uint8_t* data, std::size_t size);

// True when the Run value names this program and the entry is not turned off.
bool StartsWithWindows(platform::Registry& registry, platform::Shell& shell);

// On: writes the Run value and clears an off mark; off: removes the Run
// value. kNotStored, naming the key or value, when a write or removal failed.
SettingsFault SetStartWithWindows(platform::Registry& registry, platform::Shell& shell, bool on);
