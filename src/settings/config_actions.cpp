#include "settings/config_actions.h"

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "common/name_format.h"
#include "common/safe_format.h"
#include "settings/folder_rules.h"
#include "settings/settings_store.h"
#include "settings/start_with_windows.h"

SettingsFault ConfigActions::Open(char16_t* folder, HotKeyWord* hotKey) {
  shown_ = SettingsChoices{g_dwFormat, g_bAutoSave != 0, StartsWithWindows(os_.registry, os_.shell), g_bNotify != 0,
                           g_szNameFormat};
  std::fill_n(folder, kPathChars, u'\0');
  if (SafeFormat(folder, kPathChars, u"%s", g_szPath) <= 0) return SettingsFault{SettingsFaultKind::kNotLoaded};
  *hotKey = HotKeyWord::FromStored(g_dwKeys);
  SuspendHotKey(os_.hotKeys);
  keySuspended_ = true;
  return SettingsFault{};
}

SettingsFault ConfigActions::Save(const char16_t* typed, HotKeyWord hotKey, const SettingsChoices& choices) {
  // A text longer than the stored folder is refused, never cut: a cut that
  // ends on a backslash would send the saves into a parent folder. A
  // 219-character text without a final backslash has no room for one: it is
  // refused like any other folder that cannot be used. Copied over the
  // folder in memory: the units after its NUL stay, as in the stored value.
  PersistedSettings next = CurrentSettings();
  if (!CopyText(next.folder, kPathChars, typed) || !FolderTextIsValid(next.folder) ||
      !EndFolderWithBackslash(next.folder)) {
    return SettingsFault{SettingsFaultKind::kBadFolder, typed};
  }
  // Before the folder is made: a refused template changes nothing.
  if (const NameFormatFault refusal = CheckNameFormat(choices.nameFormat, next.folder);
      refusal != NameFormatFault::kNone) {
    SettingsFault fault{SettingsFaultKind::kBadNameFormat, choices.nameFormat};
    fault.nameFormat = refusal;
    return fault;
  }
  if (const FolderFault made = CreateFolderLevels(os_.files, next.folder); !made.ok) {
    return SettingsFault{SettingsFaultKind::kBadFolder, made.where, made.error};
  }
  if (SettingsFault refused = RegisterNewHotKey(os_.hotKeys, hotKey); !refused.ok()) return refused;
  keySuspended_ = false;
  // The key now registered is the program's, stored or not.
  PersistedSettings registered = CurrentSettings();
  registered.keys = hotKey.Stored();  // in the control's encoding, as the control gave it
  ApplySettings(registered);
  // Written only here, never at start: programs started from the Run key
  // are asked not to write it. Only when the box was turned over: where
  // policy makes the Run key read-only an untouched box must not fail the
  // Save, and a value another copy wrote stays until the box is ticked.
  if (choices.startWithWindows != shown_.startWithWindows) {
    if (SettingsFault run = SetStartWithWindows(os_.registry, os_.shell, choices.startWithWindows); !run.ok()) {
      return run;
    }
  }
  next.keys = registered.keys;
  next.format = choices.format;
  next.autoSave = choices.autoSave;
  next.notify = choices.notify;
  CopyText(next.nameFormat, kNameFormatChars, choices.nameFormat);
  const ValuesToWrite changed{choices.format != shown_.format, choices.autoSave != shown_.autoSave,
                              choices.notify != shown_.notify, choices.nameFormat != shown_.nameFormat};
  return StoreSettings(os_.registry, next, changed);
}

SettingsFault ConfigActions::Cancel() {
  SettingsFault fault = RestoreHotKey(os_.hotKeys, keySuspended_);
  if (fault.ok()) keySuspended_ = false;
  return fault;
}

std::u16string NameFormatPreview(const platform::LocalTime& now, std::u16string_view typedFolder,
                                 std::u16string_view nameFormat, std::uint32_t format) {
  if (const char16_t* refusal = NameFormatFaultText(CheckNameFormat(nameFormat, typedFolder))) return refusal;
  return MakeSaveFileName(now, nameFormat, 1, format);
}
