// What the settings dialog's opening, Save and Cancel do, apart from the
// controls: the dialog reads and fills its controls and calls these.
#pragma once

#include <cstdint>

// Opening: loads the settings, puts the folder into `folder` (kPathChars
// units) and the hot-key box's value (modifiers << 8 | key) into
// `hotKeyValue`, and suspends the hot key. When there is no folder to show it
// says so and returns false: the boxes stay empty and the key stays as it is.
bool OpenSettings(char16_t* folder, std::uint16_t* hotKeyValue);

// The two check boxes under the folder and the key.
struct SettingsChoices {
  bool autoSave = false;          // save every new clipboard picture
  bool startWithWindows = false;  // the Run entry
};

// What the check boxes show at opening: "AutoSave" as loaded, and whether
// the Run entry names this program and is not turned off.
SettingsChoices StoredChoices();

// Save, given the whole folder text as typed (of any length), the hot-key
// box's key and modifiers and the check boxes (both off when not given).
// True when the dialog ends with OK; every failure has shown its message.
bool SaveSettings(const char16_t* typed, std::uint16_t key, std::uint16_t modifiers,
                  const SettingsChoices& choices = {});

// Cancel, and any other close of the dialog: registers the stored key again.
// True when the dialog ends; false (after the message) when it stays open.
bool CancelSettings();
