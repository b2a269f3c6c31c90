#include "capture/clipboard_privacy.h"

#include <cstring>

#include "platform/owners.h"

bool ClipboardIsPrivate(platform::Clipboard& clipboard, platform::GlobalMemory& memory) {
  if (clipboard.HasNamed(u"ExcludeClipboardContentFromMonitorProcessing") ||
      clipboard.HasNamed(u"Clipboard Viewer Ignore")) {
    return true;
  }
  // "Not for the clipboard history" is a DWORD of 0; any other value allows it.
  constexpr char16_t kHistory[] = u"CanIncludeInClipboardHistory";
  if (!clipboard.HasNamed(kHistory)) return false;
  const platform::LockedBlock block(memory, clipboard.GetNamed(kHistory));
  std::uint32_t allowed = 0;
  if (block.bytes() == nullptr || block.size() < sizeof allowed) return true;
  std::memcpy(&allowed, block.bytes(), sizeof allowed);
  return allowed == 0;
}
