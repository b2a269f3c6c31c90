#include "settings/hot_key.h"

#include "common/app_state.h"
#include "common/error_box.h"
#include "platform/platform.h"

namespace {

constexpr std::uint32_t kControlFlags = HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT | HOTKEYF_EXT;
constexpr std::uint32_t kLastControlKey = 0xFF;  // the control gives the key as one byte
// VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN, then VK_LSHIFT to VK_RMENU.
constexpr std::uint32_t kModifierKeys[] = {0x10, 0x11, 0x12, 0x5B, 0x5C, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};

// An opening has freed the key and no Save has registered one since: only
// then has Cancel a key to register again. After an opening that freed
// nothing, or a Save whose key stands but whose settings were not stored, a
// key of ours stands under the identifier, and asking the platform for
// keystrokes we hold is refused, so Cancel registers nothing then.
bool s_suspended = false;

// Without the no-repeat flag a held key would be a press for every keyboard
// repeat; systems before Windows 7 refuse it, and get the key without it.
bool Register(HotKeyWord word) {
  platform::HotKeys& keys = platform::Current().hotKeys;
  const std::uint32_t modifiers = word.RegistrationModifiers();
  return keys.Register(g_hMainWnd, g_nHotKeyId, modifiers | platform::kModNoRepeat, word.key) ||
         keys.Register(g_hMainWnd, g_nHotKeyId, modifiers, word.key);
}

// Frees every key under the current identifier. A Save whose settings did not
// reach the registry can leave a second key beside the first there, and the
// platform frees one per call; it refuses once none is left.
void UnregisterAll() {
  while (platform::Current().hotKeys.Unregister(g_hMainWnd, g_nHotKeyId)) {
  }
}

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

void RegisterHotKeyAtStartup(int loaded) {
  HotKeyWord word = HotKeyWord::FromStored(g_dwKeys);
  if (loaded == 0) {
    ShowErrorBox(kConfigUnreadableText);
    word = kDefaultHotKey;
  }
  s_suspended = false;
  // A hand-edited or damaged word is kept as stored, but not registered: the
  // message sends the person to the settings.
  if (!word.Usable() || !Register(word)) ShowErrorBox(kStartupKeyRefusedText);
  // Set whether or not a key was registered: exit then frees the identifier.
  g_bHotKeyRegistered = 1;
}

void SuspendHotKey() {
  UnregisterAll();
  s_suspended = true;
  // The identifier stops at the last one applications may use; the key under
  // it has just been freed, so it can be used again.
  if (g_nHotKeyId < kLastHotKeyId) ++g_nHotKeyId;
}

namespace {

// Save and Cancel register alike. A word that cannot be a hot key is refused,
// nothing changing, rather than registering a key that is dead or taken from
// every program; a refused key counts as none registered.
bool RegisterForSettings(HotKeyWord word) {
  if (!word.Usable()) {
    ShowSettingsErrorBox(kNeedsCombinationText);
    return false;
  }
  const bool registered = Register(word);
  if (!registered) ShowSettingsErrorBox(kKeyRefusedText);
  g_bHotKeyRegistered = registered ? 1 : 0;
  if (registered) s_suspended = false;
  return registered;
}

}  // namespace

bool RegisterNewHotKey(HotKeyWord chosen) {
  if (!RegisterForSettings(chosen)) return false;
  // Stored in the control's encoding, as the control gave it.
  g_dwKeys = chosen.Stored();
  return true;
}

bool RestoreHotKey() {
  if (!s_suspended) {
    g_bHotKeyRegistered = 1;  // exit frees whatever stands under the identifier
    return true;
  }
  return RegisterForSettings(HotKeyWord::FromStored(g_dwKeys));
}

void ReleaseHotKey() {
  if (g_bHotKeyRegistered != 0) UnregisterAll();
}
