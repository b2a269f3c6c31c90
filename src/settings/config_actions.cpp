#include "settings/config_actions.h"

#include "common/app_state.h"
#include "common/error_box.h"
#include "common/name_format.h"
#include "common/safe_format.h"
#include "common/bounded_text.h"
#include "settings/folder_rules.h"
#include "settings/hot_key.h"
#include "settings/settings_store.h"
#include "settings/start_with_windows.h"

bool OpenSettings(char16_t* folder, HotKeyWord* hotKey) {
  std::fill_n(folder, kPathChars, u'\0');
  LoadSettings();
  if (SafeFormat(folder, kPathChars, u"%s", g_szPath) <= 0) {
    ShowSettingsErrorBox(kConfigUnreadableText);
    return false;
  }
  *hotKey = HotKeyWord::FromStored(g_dwKeys);
  SuspendHotKey();
  return true;
}

SettingsChoices StoredChoices() {
  return SettingsChoices{g_dwFormat, g_bAutoSave != 0, StartsWithWindows(), g_bNotify != 0, g_szNameFormat};
}

bool SaveSettings(const char16_t* typed, HotKeyWord hotKey, const SettingsChoices& choices) {
  // A text longer than the stored folder is refused, never cut: a cut that
  // ends on a backslash would send the saves into a parent folder. A
  // 219-character text without a final backslash has no room for one: it is
  // refused like any other folder that cannot be used.
  char16_t folder[kPathChars];
  if (!CopyText(folder, kPathChars, typed) || !FolderTextIsValid(folder) || !EndFolderWithBackslash(folder)) {
    ShowSettingsErrorBox(kBadFolderText);
    return false;
  }
  // Before the folder is made: a refused template changes nothing.
  if (const char16_t* refusal = NameFormatFaultText(CheckNameFormat(choices.nameFormat, folder))) {
    ShowSettingsErrorBox(refusal);
    return false;
  }
  if (!CreateFolderLevels(folder)) {
    ShowSettingsErrorBox(kBadFolderText);
    return false;
  }
  if (!RegisterNewHotKey(hotKey)) return false;
  // Written only here, never at start: programs started from the Run key
  // are asked not to write it.
  if (!SetStartWithWindows(choices.startWithWindows)) {
    ShowSettingsErrorBox(kSettingsSaveFailedText);
    return false;
  }
  g_bAutoSave = choices.autoSave ? 1 : 0;
  g_bNotify = choices.notify ? 1 : 0;
  return StoreSettings(folder, choices.format, choices.nameFormat);
}

std::u16string NameFormatPreview(std::u16string_view typedFolder, std::u16string_view nameFormat,
                                 std::uint32_t format) {
  if (const char16_t* refusal = NameFormatFaultText(CheckNameFormat(nameFormat, typedFolder))) return refusal;
  return MakeSaveFileName(platform::Current().clock.Now(), nameFormat, 1, format);
}

bool CancelSettings() { return RestoreHotKey(); }
