#include "settings/default_settings.h"

#include <algorithm>

#include "common/setting_values.h"
#include "common/bounded_text.h"
#include "settings/hot_key.h"
#include "settings/settings_store.h"

namespace {

constexpr char16_t kScreenshotsFolder[] = u"\\screenshots\\";

}  // namespace

SettingsFault InitDefaultSettings(platform::Shell& shell) {
  // The shell writes up to MAX_PATH units: take it in a buffer of that size
  // and copy only what fits into the folder, whose tail stays all zeros.
  char16_t desktop[platform::kMaxPathChars];
  std::fill_n(desktop, platform::kMaxPathChars, u'\0');
  const bool found = shell.DesktopDirectory(desktop);
  const std::size_t length = found ? BoundedLength(desktop, platform::kMaxPathChars) : 0;

  PersistedSettings settings = CurrentSettings();
  std::fill_n(settings.folder, kPathChars, u'\0');
  settings.keys = kDefaultHotKey.Stored();
  if (length > 0 && length < platform::kMaxPathChars && CopyText(settings.folder, kPathChars, desktop) &&
      AppendText(settings.folder, kPathChars, kScreenshotsFolder)) {
    ApplySettings(settings);
    return SettingsFault{};
  }
  // Memory keeps the start values: an empty folder and no hot key.
  std::fill_n(settings.folder, kPathChars, u'\0');
  settings.keys = 0;
  ApplySettings(settings);
  return SettingsFault{SettingsFaultKind::kNoDefaultFolder, length < platform::kMaxPathChars ? desktop : u""};
}
