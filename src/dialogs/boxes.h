// The one way the program tells a failure: a modal box with no owner. Only
// the window layers show boxes; the logic below hands them its faults as
// values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/safe_format.h"
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

// What a failure's box says under its first line.
struct FailureDetails {
  std::u16string where;       // the folder, the final file or the registry place
  std::uint32_t error = 0;    // the Windows error, 0 for none
  std::u16string holder;      // the program holding the clipboard, when known
  bool createdInExistingFolder = false;  // a folder or file refused where its folder is
};

// The clipboard's reason line: the holder's file name fits MAX_PATH.
constexpr std::size_t kMaxHolderLineChars = platform::kMaxPathChars + 16;

// The first line, which alone tells whether two failures are the same.
inline std::u16string_view FirstLine(std::u16string_view text) { return text.substr(0, text.find(u'\n')); }

// The failure's text as ever, then where and why, each line left out when
// there is nothing to say.
inline std::u16string FailureText(platform::MessageBoxes& boxes, std::u16string_view first,
                                  const FailureDetails& details) {
  std::u16string text(first);
  if (!details.where.empty()) text.append(u"\n").append(kWhereLinePrefix).append(details.where);
  if (!details.holder.empty()) {
    char16_t reason[kMaxHolderLineChars];
    if (SafeFormat(reason, kMaxHolderLineChars, kClipboardHeldReasonFormat, details.holder.c_str()) > 0) {
      text.append(u"\n").append(reason);
    }
  } else if (details.error != 0) {
    const std::u16string reason = boxes.ErrorText(details.error);
    if (!reason.empty()) text.append(u"\n").append(kReasonLinePrefix).append(reason);
  }
  if (details.createdInExistingFolder && details.error == platform::kErrorAccessDenied) {
    text.append(u"\n").append(kControlledFolderHintText);
  }
  return text;
}
