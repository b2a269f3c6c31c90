// What the settings dialog's opening, Save and Cancel do, apart from the
// controls: the dialog reads and fills its controls and calls these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/app_state.h"
#include "settings/hot_key.h"

// Opening: loads the settings, puts the folder into `folder` (kPathChars
// units) and the stored hot key into *hotKey, and suspends the hot key. When
// there is no folder to show it says so and returns false: the boxes stay
// empty and the key stays as it is.
bool OpenSettings(char16_t* folder, HotKeyWord* hotKey);

// The choices under the folder and the key: the name template, the format
// list and the check boxes.
struct SettingsChoices {
  std::uint32_t format = kFormatBmp;  // the saves' file format
  bool autoSave = false;              // save every new clipboard picture
  bool startWithWindows = false;  // the Run entry
  bool notify = false;            // a balloon after each save
  std::u16string nameFormat = kDefaultNameFormat;  // as typed, of any length
};

// What they show at opening: "NameFormat", "Format", "AutoSave" and "Notify"
// as loaded, and whether the Run entry names this program and is not turned
// off.
SettingsChoices StoredChoices();

// Save, given the whole folder text as typed (of any length), the hot-key
// box's key and the choices (the default template, BMP and all off when not
// given). True when the dialog ends with OK; every failure has shown its
// message. A refused template stores nothing and makes no folder.
bool SaveSettings(const char16_t* typed, HotKeyWord hotKey, const SettingsChoices& choices = {});

// What the dialog shows under the template: the name (sub-folders
// included) that a save now would give its file in `format`, or why the
// template would be refused for the folder as typed.
std::u16string NameFormatPreview(std::u16string_view typedFolder, std::u16string_view nameFormat,
                                 std::uint32_t format);

// Cancel, and any other close of the dialog: registers the stored key again
// when the opening suspended it and no Save has registered one since. True
// when the dialog ends; false (after the message) when it stays open.
bool CancelSettings();
