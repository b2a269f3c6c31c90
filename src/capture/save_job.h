// One save: a press of the hot key, or a new picture saved without one. It
// carries everything its save needs from the press on, so that the settings
// may change meanwhile and no two saves share anything.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "capture/save_result.h"
#include "common/app_state.h"
#include "platform/platform.h"

// What the window's thread gives a save at its press.
struct SaveOrder {
  bool automatic = false;              // a new clipboard picture, no key pressed
  char16_t folder[kPathChars] = {};    // g_szPath as it was at the press
  std::uint32_t format = kFormatBmp;   // g_dwFormat as it was
  char16_t nameFormat[kNameFormatChars] = {};  // g_szNameFormat as it was
  platform::LocalTime time;            // the file is named after the press
};

// What a taken picture's copy holds: a bitmap block (CF_DIB, or a program's
// CF_DIBV5 whose alpha is used), or the clipboard's "PNG" file, checked and
// decoded whole.
enum class PictureKind { kDib, kPng };

// The order of a save pressed now: the settings as they stand, the time now.
inline SaveOrder OrderNow(platform::Clock& clock, bool automatic) {
  SaveOrder order;
  order.automatic = automatic;
  std::copy_n(g_szPath, kPathChars, order.folder);
  order.format = g_dwFormat;
  std::copy_n(g_szNameFormat, kNameFormatChars, order.nameFormat);
  order.time = clock.Now();
  return order;
}

// What a save ended with, as the window's thread is told.
struct SaveOutcome {
  SaveFault fault;
  bool automatic = false;
  std::u16string file;  // the saved file's full path; empty when none was written
};
