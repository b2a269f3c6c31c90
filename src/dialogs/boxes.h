// The boxes the program tells failures in: modal, no owner, g_szCaption.
#pragma once
#include <cstdint>
#include "common/texts.h"
#include "platform/platform.h"
inline void ShowErrorBox(platform::MessageBoxes& boxes, const char16_t* text) {
  boxes.Show(text, g_szCaption, platform::kMbIconError);
}
