// The two persisted settings, g_szPath and g_dwKeys, and their registry
// format under HKEY_CURRENT_USER\Software\ClipboardTarnwick:
//   "Path"  REG_BINARY, always exactly 440 bytes (the whole g_szPath buffer)
//   "Keys"  REG_DWORD, the packed hot-key word
//   "AutoSave"  REG_DWORD 0 or 1, g_bAutoSave; absent or anything else is 0
#pragma once

extern const char16_t kSettingsKey[];  // u"Software\\ClipboardTarnwick"

// Puts the default folder (the desktop folder + "\screenshots\") and hot key
// into memory. Runs once, during static initialisation, right after the
// application object is constructed (see the application's source).
void InitDefaultSettings();

// Reads both values into memory; when either cannot be read, writes both from
// memory instead. 1 on success, 0 when the key cannot be opened or a write
// failed (the latter after the "GH" box). "AutoSave" is read as well, and is
// never a reason to write anything.
int LoadSettings();

// Copies `folder` (validated, ending with a backslash, at most 219 units)
// into g_szPath and writes both values, and g_bAutoSave. Shows "保存成功" and returns true, or
// shows "保存配置信息失败" and returns false; the settings dialog ends with OK
// only on true.
bool StoreSettings(const char16_t* folder);
