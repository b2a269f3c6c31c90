#include "settings/config_actions.h"

#include "app/app_state.h"
#include "app/safe_format.h"
#include "app/wide_text.h"
#include "settings/folder_rules.h"
#include "settings/hot_key.h"
#include "settings/settings_store.h"

namespace {
constexpr char16_t kNoConfigurationText[] = u"获取配置信息失败";
constexpr char16_t kBadFolderText[] = u"路径不合法或没有权限访问该路径";

void ShowError(const char16_t* text) {
  platform::Current().messageBoxes.Show(text, g_szCaption, platform::kMbIconError);
}
}  // namespace

bool OpenSettings(char16_t* folder, std::uint16_t* hotKeyValue) {
  WideZero(folder, kPathChars);
  LoadSettings();
  if (SafeFormat(folder, kPathChars, u"%s", g_szPath) <= 0) {
    ShowError(kNoConfigurationText);
    return false;
  }
  const std::uint32_t modifiers = (g_dwKeys >> 16) & 0xFF;
  const std::uint32_t key = g_dwKeys & 0xFF;
  *hotKeyValue = static_cast<std::uint16_t>(modifiers << 8 | key);
  SuspendHotKey();
  return true;
}

bool SaveSettings(const char16_t* typed, std::uint16_t key, std::uint16_t modifiers) {
  // A text longer than the stored folder is refused, never cut: a cut that
  // ends on a backslash would send the saves into a parent folder. A
  // 219-character text without a final backslash has no room for one: it is
  // refused like any other folder that cannot be used.
  char16_t folder[kPathChars];
  if (!WideCopy(folder, kPathChars, typed) || !FolderTextIsValid(folder) || !EndFolderWithBackslash(folder) ||
      !CreateFolderLevels(folder)) {
    ShowError(kBadFolderText);
    return false;
  }
  if (!RegisterNewHotKey(key, modifiers)) return false;
  return StoreSettings(folder);
}

bool CancelSettings() { return RestoreHotKey(); }
