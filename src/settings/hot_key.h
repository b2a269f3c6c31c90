// The one global hot key: its identifier g_nHotKeyId, the flag
// g_bHotKeyRegistered and the packed word g_dwKeys (modifiers << 16 | key,
// the modifiers in the hot-key control's encoding below).
#pragma once

#include <cstdint>

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

// The control's flags as RegisterHotKey reads them: Shift, Control and Alt
// each to its MOD_ flag; the extended-key flag is no modifier.
std::uint32_t RegistrationModifiers(std::uint32_t controlFlags);

// Whether a packed word's halves can be a hot key at all: the key is one the
// hot-key control can give (1 to 0xFF) and not a modifier key itself (Shift,
// Control, Alt, either side's, or a Windows key); the modifiers are among the
// control's four flags and include Shift, Control or Alt. No other word is
// ever registered: no keystroke would press it, or a bare modifier would.
bool IsUsableHotKey(std::uint32_t modifiers, std::uint32_t key);

// Main dialog start-up: `loaded` is LoadSettings' result. A stored word that
// cannot be a hot key is not registered, and is told as a refused key.
void RegisterHotKeyAtStartup(int loaded);
// Settings dialog opening: frees every key under the identifier and moves it
// on, up to kLastHotKeyId, where it stays.
void SuspendHotKey();
// Settings dialog Save: registers the chosen key; false when refused (the
// message has been shown). A word that cannot be a hot key is refused as one
// without a modifier is.
bool RegisterNewHotKey(std::uint16_t key, std::uint16_t modifiers);
// Settings dialog Cancel: registers the stored key again when the opening
// suspended it and no Save has registered one since; true when the dialog may
// end. Otherwise a key of ours stands under the identifier and nothing is
// registered. A stored word that cannot be a hot key is refused, as at Save.
bool RestoreHotKey();
// Exit command: frees the keys under the identifier if it counts as
// registered.
void ReleaseHotKey();
