// The program's process-wide state. Everything the subsystems share lives
// here, as plain globals: the user-interface thread owns it. A save gets the
// folder, the format and the name template as they were at its press, copied
// on that thread; its workers touch none of these.
#pragma once

#include <cstdint>

#include "common/texts.h"  // g_szCaption, with the other texts
#include "common/setting_values.h"
#include "platform/platform.h"

// g_nHotKeyId when the process starts.
constexpr std::int32_t kFirstHotKeyId = 1000;

// Hot key, windows and dialogs.
extern std::int32_t g_nHotKeyId;         // identifier of the registered hot key
extern void* g_hMainWnd;                 // the hidden main dialog (HWND)
extern std::int32_t g_bHotKeyRegistered; // exit must unregister the key
extern std::uint32_t g_dwRefusedKeys;    // a usable key Windows refused at start, still to be tried; 0 when none
extern std::int32_t g_bHelpDlgOpen;
extern std::int32_t g_bConfigDlgOpen;
extern std::int32_t g_bAboutDlgOpen;

// Settings.
extern std::uint32_t g_dwKeys;           // packed hot key: modifiers << 16 | virtual key
extern platform::Handle g_hConfigKey;    // the settings key while it is open
extern char16_t g_szPath[kPathChars];    // the save folder, ending with a backslash
extern std::uint32_t g_dwFormat;         // kFormatBmp, kFormatPng or kFormatJpg
extern std::int32_t g_bAutoSave;         // save every new clipboard picture without a key (0 or 1)
extern std::int32_t g_bNotify;           // a balloon after each save (0 or 1)
extern char16_t g_szNameFormat[kNameFormatChars];  // how saved files are named (see name_format.h)
