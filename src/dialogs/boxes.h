// The one way the program tells a failure: a modal box with no owner. Only
// the window layers show boxes; the logic below hands them its faults as
// values.
#pragma once

#include <cstdint>

#include "common/texts.h"
#include "platform/platform.h"

// A failure, under the caption g_szCaption with the error icon.
inline void ShowErrorBox(platform::MessageBoxes& boxes, const char16_t* text) {
  boxes.Show(text, g_szCaption, platform::kMbIconError);
}

// A box the settings dialog's steps show. Task-modal: having no owner, it
// disables every window of this thread while it is up, so no click or key
// reaches the dialog under it and none of the dialog's handlers runs inside
// its own box; what is posted (the hot key, the tray) still arrives.
inline void ShowSettingsBox(platform::MessageBoxes& boxes, const char16_t* text, const char16_t* caption,
                            std::uint32_t style) {
  boxes.Show(text, caption, style | platform::kMbTaskModal);
}

inline void ShowSettingsErrorBox(platform::MessageBoxes& boxes, const char16_t* text) {
  ShowSettingsBox(boxes, text, g_szCaption, platform::kMbIconError);
}
