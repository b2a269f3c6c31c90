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
#include <string_view>

#include "common/app_state.h"

extern const char16_t kSettingsKey[];  // u"Software\\ClipboardTarnwick"

// Puts the default folder (the desktop folder + "\screenshots\") and hot key
// into memory. Runs once, during static initialisation, right after the
// application object is constructed (see the application's source).
void InitDefaultSettings();

// Reads "Path" and "Keys" into memory; when either cannot be read, writes
// both from memory instead. 1 on success, 0 when the key cannot be opened or
// a write failed (the latter after the "GH" box). "Format", "AutoSave",
// "Notify" and "NameFormat" are read as well, and never written back: one
// that cannot be read means BMP, off, or the default template.
int LoadSettings();

// Copies `folder` (validated, ending with a backslash, at most 219 units)
// into g_szPath, `format` into g_dwFormat and `nameFormat` (validated) into
// g_szNameFormat, and writes all the values (g_bAutoSave and g_bNotify as
// they stand; "NameFormat" not while it is the default and none is stored).
// Shows "保存成功" and returns true, or shows "保存配置信息失败" and returns
// false; the settings dialog ends with OK only on true.
bool StoreSettings(const char16_t* folder, std::uint32_t format,
                   std::u16string_view nameFormat = kDefaultNameFormat);
