// The one global hot key: its identifier g_nHotKeyId, the flag
// g_bHotKeyRegistered and the packed word g_dwKeys (modifiers << 16 | key,
// the modifiers in the hot-key control's encoding below).
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "settings/settings_fault.h"

// The hot-key control's modifier flags, as stored in "Keys". <commctrl.h>
// defines the same values as macros; where it came first, those stand.
#ifndef HOTKEYF_SHIFT
constexpr std::uint16_t HOTKEYF_SHIFT = 0x01;
constexpr std::uint16_t HOTKEYF_CONTROL = 0x02;
constexpr std::uint16_t HOTKEYF_ALT = 0x04;
constexpr std::uint16_t HOTKEYF_EXT = 0x08;
#endif

// The largest identifier an application may register a hot key under.
constexpr std::int32_t kLastHotKeyId = 0xBFFF;

// The one hot-key value, read and written the same way wherever it goes: the
// stored word ("Keys", g_dwKeys) has the modifiers in the control's flags in
// its high half and the virtual-key code in its low half; the hot-key
// control's value has them as one byte each.
struct HotKeyWord {
  std::uint32_t modifiers = 0;
  std::uint32_t key = 0;

  static HotKeyWord FromStored(std::uint32_t word) { return HotKeyWord{word >> 16, word & 0xFFFF}; }
  std::uint32_t Stored() const { return modifiers << 16 | key; }
  static HotKeyWord FromControl(std::uint16_t value) {
    return HotKeyWord{static_cast<std::uint32_t>(value >> 8), static_cast<std::uint32_t>(value & 0xFF)};
  }
  // What the control shows: nothing for a word it cannot hold, a half above
  // one byte.
  std::uint16_t ControlValue() const;

  // Whether it can be a hot key at all: the key is one the hot-key control
  // can give (1 to 0xFF) and not a modifier key itself (Shift, Control, Alt,
  // either side's, or a Windows key); the modifiers are among the control's
  // four flags and include Shift, Control or Alt. No other word is ever
  // registered: no keystroke would press it, or a bare modifier would.
  bool Usable() const;
  // The control's flags as RegisterHotKey reads them: Shift, Control and Alt
  // each to its MOD_ flag; the extended-key flag is no modifier.
  std::uint32_t RegistrationModifiers() const;
};

// Control + numeric-keypad 9.
inline constexpr HotKeyWord kDefaultHotKey{HOTKEYF_CONTROL, 0x69};

// Main dialog start-up, after the load: registers the stored key, or Control
// + numeric-keypad 9 when the load failed. A stored word that cannot be a hot
// key is not registered, and is told as a refused key (kKeyTakenAtStart).
// Every registration asks that a held key press once (MOD_NOREPEAT), and
// where the system refuses that flag (before Windows 7) registers the key
// without it. A usable key that the system refused is kept in
// g_dwRefusedKeys for RetryRefusedHotKey.
SettingsFault RegisterHotKeyAtStartup(platform::HotKeys& keys, bool loaded);
// The main window's timer: registers the key refused at start, if it is
// still to be tried. True while it is (refused again); false once it is
// registered, or when the settings' opening or exit has ended the tries.
bool RetryRefusedHotKey(platform::HotKeys& keys);
// Settings dialog opening: frees every key under the identifier and moves it
// on, up to kLastHotKeyId, where it stays. The key refused at start is no
// longer tried: the settings now decide the key.
void SuspendHotKey(platform::HotKeys& keys);
// Settings dialog Save: registers the chosen key (kKeyTaken when refused). A
// word that cannot be a hot key is refused as kNeedsCombination, nothing
// changing. The caller keeps the word in memory (see ConfigActions::Save).
SettingsFault RegisterNewHotKey(platform::HotKeys& keys, HotKeyWord chosen);
// Settings dialog Cancel: registers the stored key again when `suspended`
// (the opening freed it and no Save has registered one since); otherwise a
// key of ours stands under the identifier and nothing is registered. A
// stored word that cannot be a hot key is refused, as at Save.
SettingsFault RestoreHotKey(platform::HotKeys& keys, bool suspended);
// Exit command: frees the keys under the identifier if it counts as
// registered, and ends the tries of a key refused at start.
void ReleaseHotKey(platform::HotKeys& keys);
