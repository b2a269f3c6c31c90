// The settings' faults as the settings dialog and the start-up tell them.
#pragma once

#include "dialogs/boxes.h"
#include "settings/settings_fault.h"

// A load whose write-back failed shows the bytes it read of "Path", under
// the caption "GH", before anything else is told.
inline void ShowWriteBackBox(platform::MessageBoxes& boxes, const SettingsFault& loaded) {
  if (loaded.writeBackCount) {
    ShowSettingsBox(boxes, WriteBackText(*loaded.writeBackCount).c_str(), kWriteBackCaption, platform::kMbOk);
  }
}

// A fault's box text; a value that could not be written says where and why.
inline std::u16string SettingsFailureText(platform::MessageBoxes& boxes, const SettingsFault& fault) {
  const std::u16string first = SettingsFaultText(fault);
  if (fault.kind != SettingsFaultKind::kNotStored) return first;
  return FailureText(boxes, first, FailureDetails{fault.where, fault.error, {}, false});
}

// A fault of the settings dialog's steps, in a task-modal box.
inline void ShowSettingsFaultBox(platform::MessageBoxes& boxes, const SettingsFault& fault) {
  ShowSettingsErrorBox(boxes, SettingsFailureText(boxes, fault).c_str());
}
