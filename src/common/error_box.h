// The one way the program tells a failure: a modal box with no owner, the
// caption g_szCaption and the error icon.
#pragma once

#include "common/texts.h"
#include "platform/platform.h"

inline void ShowErrorBox(const char16_t* text) {
  platform::Current().messageBoxes.Show(text, g_szCaption, platform::kMbIconError);
}
