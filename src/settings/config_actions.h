// What the settings dialog's opening, Save and Cancel do, apart from the
// controls: the dialog reads and fills its controls, calls these and tells
// the faults they return.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/setting_values.h"
#include "platform/platform.h"
#include "settings/hot_key.h"
#include "settings/settings_fault.h"

// The choices under the folder and the key: the name template, the format
// list and the check boxes.
struct SettingsChoices {
  std::uint32_t format = kFormatBmp;  // the saves' file format
  bool autoSave = false;              // save every new clipboard picture
  bool startWithWindows = false;  // the Run entry
  bool notify = false;            // a balloon after each save
  std::u16string nameFormat = kDefaultNameFormat;  // as typed, of any length
};

// One opening of the settings dialog, from its opening to its end.
class ConfigActions {
 public:
  explicit ConfigActions(platform::Platform& os) : os_(os) {}

  // Opening, after LoadSettings: puts the folder into `folder` (kPathChars
  // units) and the stored hot key into *hotKey, suspends the hot key, and
  // takes the choices to show (shown()). kNotLoaded when there is no folder
  // to show: the boxes stay empty and the key stays as it is.
  SettingsFault Open(char16_t* folder, HotKeyWord* hotKey);

  // What the choices show from the opening on: "NameFormat", "Format",
  // "AutoSave" and "Notify" as loaded, and whether the Run entry names this
  // program and is not turned off.
  const SettingsChoices& shown() const { return shown_; }

  // Save, given the whole folder text as typed (of any length), the hot-key
  // box's key and the choices. No fault when the dialog ends with OK. A
  // refused folder or template stores nothing and makes no folder; a key
  // registered stays the one memory holds even when storing fails after it.
  // "Path" and "Keys" are always written; the Run entry and the other values
  // only where the choices differ from what the opening showed.
  SettingsFault Save(const char16_t* typed, HotKeyWord hotKey, const SettingsChoices& choices);

  // Cancel, and any other close of the dialog: registers the stored key again
  // when the opening suspended it and no Save has registered one since. No
  // fault when the dialog ends; with one it stays open.
  SettingsFault Cancel();

 private:
  platform::Platform& os_;
  // The opening has freed the key and no Save has registered one since: only
  // then has Cancel a key to register again. After an opening that freed
  // nothing, or a Save whose key stands but whose settings were not stored, a
  // key of ours stands under the identifier, and asking the platform for
  // keystrokes we hold is refused, so Cancel registers nothing then.
  bool keySuspended_ = false;
  // What the opening showed: Save writes only what differs from it.
  SettingsChoices shown_;
};

// What the dialog shows under the template: the name (sub-folders included)
// that a save at `now` would give its file in `format`, or why the template
// would be refused for the folder as typed.
std::u16string NameFormatPreview(const platform::LocalTime& now, std::u16string_view typedFolder,
                                 std::u16string_view nameFormat, std::uint32_t format);
