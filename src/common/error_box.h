// The one way the program tells a failure: a modal box with no owner, the
// caption g_szCaption and the error icon.
#pragma once

#include "common/texts.h"
#include "platform/platform.h"

inline void ShowErrorBox(const char16_t* text) {
  platform::Current().messageBoxes.Show(text, g_szCaption, platform::kMbIconError);
}

// A box the settings dialog's steps show. Task-modal: having no owner, it
// disables every window of this thread while it is up, so no click or key
// reaches the dialog under it and none of the dialog's handlers runs inside
// its own box; what is posted (the hot key, the tray) still arrives.
inline void ShowSettingsBox(const char16_t* text, const char16_t* caption, std::uint32_t style) {
  platform::Current().messageBoxes.Show(text, caption, style | platform::kMbTaskModal);
}

inline void ShowSettingsErrorBox(const char16_t* text) {
  ShowSettingsBox(text, g_szCaption, platform::kMbIconError);
}
