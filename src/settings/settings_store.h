// The persisted settings, g_szPath, g_dwKeys, g_dwFormat, g_bAutoSave,
// g_bNotify and g_szNameFormat, and their registry format under
// HKEY_CURRENT_USER\Software\ClipboardTarnwick:
//   "Path"      REG_BINARY, always exactly 440 bytes (the whole g_szPath buffer)
//   "Keys"      REG_DWORD, the packed hot-key word
//   "Format"    REG_DWORD, 0 BMP, 1 PNG or 2 JPG; anything else, or none, reads as BMP
//   "AutoSave"  REG_DWORD 0 or 1; absent or anything else is 0
//   "Notify"    REG_DWORD 0 or 1; absent or anything else is 0
//   "NameFormat" REG_SZ, the file-name template; absent, or one the settings
//               would refuse for the folder, is the default, and the default
//               is not written until the user changes it
#pragma once

#include <cstdint>

#include "common/setting_values.h"
#include "platform/platform.h"
#include "settings/settings_fault.h"

extern const char16_t kSettingsKey[];  // u"Software\\ClipboardTarnwick"

// The persisted settings as one value, whole buffers included: "Path"
// carries the folder's whole buffer, tail and all.
struct PersistedSettings {
  char16_t folder[kPathChars] = {};
  std::uint32_t keys = 0;
  std::uint32_t format = kFormatBmp;
  bool autoSave = false;
  bool notify = false;
  char16_t nameFormat[kNameFormatChars] = TARNWICK_DEFAULT_NAME_FORMAT;
};

// What memory holds now.
PersistedSettings CurrentSettings();
// The one writer of the persisted settings' variables.
void ApplySettings(const PersistedSettings& settings);

// Reads "Path" and "Keys" into memory; when either cannot be read, writes
// both from memory instead. kNotLoaded when the key cannot be opened or a
// write failed (the latter with writeBackCount). "Format", "AutoSave",
// "Notify" and "NameFormat" are read as well, and never written back: one
// that cannot be read means BMP, off, or the default template.
SettingsFault LoadSettings(platform::Registry& registry);

// Which values a store writes besides "Path" and "Keys": the settings dialog
// writes only those the person changed, so that a value nobody touched is
// never rewritten.
struct ValuesToWrite {
  bool format = true;
  bool autoSave = true;
  bool notify = true;
  bool nameFormat = true;
};

// Puts `settings` into memory and writes "Path", "Keys" and the values
// `write` names ("NameFormat" not while it is the default and none is
// stored). kNotStored, naming the key or the first value that failed, when
// the registry refused; memory keeps the new settings all the same.
SettingsFault StoreSettings(platform::Registry& registry, const PersistedSettings& settings,
                            ValuesToWrite write);
