#include "settings/hot_key.h"

#include "common/app_state.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kControlFlags = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;
constexpr std::uint32_t kLastControlKey = 0xFF;  // the control gives the key as one byte
// VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN, then VK_LSHIFT to VK_RMENU.
constexpr std::uint32_t kModifierKeys[] = {0x10, 0x11, 0x12, 0x5B, 0x5C, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};

// Without the no-repeat flag a held key would be a press for every keyboard
// repeat; systems before Windows 7 refuse it, and get the key without it.
bool Register(platform::HotKeys& keys, HotKeyWord word) {
  const std::uint32_t modifiers = word.RegistrationModifiers();
  return keys.Register(g_hMainWnd, g_nHotKeyId, modifiers | platform::kModNoRepeat, word.key) ||
         keys.Register(g_hMainWnd, g_nHotKeyId, modifiers, word.key);
}

// Frees every key under the current identifier. A Save whose settings did not
// reach the registry can leave a second key beside the first there, and the
// platform frees one per call; it refuses once none is left.
void UnregisterAll(platform::HotKeys& keys) {
  while (keys.Unregister(g_hMainWnd, g_nHotKeyId)) {
  }
}

// The one writer of g_bHotKeyRegistered: whether exit must free the identifier.
void CountAsRegistered(bool registered) { g_bHotKeyRegistered = registered ? 1 : 0; }

// The one writer of g_dwRefusedKeys: the stored word of a usable key to try
// again, 0 for none.
void TryLater(std::uint32_t word) { g_dwRefusedKeys = word; }

}  // namespace

std::uint16_t HotKeyWord::ControlValue() const {
  if (modifiers > 0xFF || key > kLastControlKey) return 0;
  return static_cast<std::uint16_t>(modifiers << 8 | key);
}

std::uint32_t HotKeyWord::RegistrationModifiers() const {
  std::uint32_t flags = 0;
  if ((modifiers & HOTKEYF_SHIFT) != 0) flags |= platform::kModShift;
  if ((modifiers & HOTKEYF_CONTROL) != 0) flags |= platform::kModControl;
  if ((modifiers & HOTKEYF_ALT) != 0) flags |= platform::kModAlt;
  return flags;
}

bool HotKeyWord::Usable() const {
  if ((modifiers & ~kControlFlags) != 0 || RegistrationModifiers() == 0) return false;
  if (key == 0 || key > kLastControlKey) return false;
  for (std::uint32_t modifierKey : kModifierKeys)
    if (key == modifierKey) return false;
  return true;
}

SettingsFault RegisterHotKeyAtStartup(platform::HotKeys& keys, bool loaded) {
  const HotKeyWord word = loaded ? HotKeyWord::FromStored(g_dwKeys) : kDefaultHotKey;
  // A hand-edited or damaged word is kept as stored, but not registered: the
  // message sends the person to the settings.
  const bool usable = word.Usable();
  const bool registered = usable && Register(keys, word);
  // Set whether or not a key was registered: exit then frees the identifier.
  CountAsRegistered(true);
  // Another program may give the key back later (a copy under another name,
  // a tool that takes keys for a while); a word no keystroke makes never
  // becomes free.
  TryLater(usable && !registered ? word.Stored() : 0);
  return registered ? SettingsFault{} : SettingsFault{SettingsFaultKind::kKeyTakenAtStart};
}

bool RetryRefusedHotKey(platform::HotKeys& keys) {
  if (g_dwRefusedKeys == 0) return false;
  if (!Register(keys, HotKeyWord::FromStored(g_dwRefusedKeys))) return true;
  TryLater(0);
  return false;
}

// The one writer of g_nHotKeyId.
void SuspendHotKey(platform::HotKeys& keys) {
  TryLater(0);
  UnregisterAll(keys);
  // The identifier stops at the last one applications may use; the key under
  // it has just been freed, so it can be used again.
  if (g_nHotKeyId < kLastHotKeyId) ++g_nHotKeyId;
}

// Save and Cancel register alike. A word that cannot be a hot key is refused,
// nothing changing, rather than registering a key that is dead or taken from
// every program; a refused key counts as none registered.
SettingsFault RegisterNewHotKey(platform::HotKeys& keys, HotKeyWord chosen) {
  if (!chosen.Usable()) return SettingsFault{SettingsFaultKind::kNeedsCombination};
  const bool registered = Register(keys, chosen);
  CountAsRegistered(registered);
  return registered ? SettingsFault{} : SettingsFault{SettingsFaultKind::kKeyTaken};
}

SettingsFault RestoreHotKey(platform::HotKeys& keys, bool suspended) {
  if (!suspended) {
    CountAsRegistered(true);  // exit frees whatever stands under the identifier
    return SettingsFault{};
  }
  return RegisterNewHotKey(keys, HotKeyWord::FromStored(g_dwKeys));
}

void ReleaseHotKey(platform::HotKeys& keys) {
  TryLater(0);
  if (g_bHotKeyRegistered != 0) UnregisterAll(keys);
}
