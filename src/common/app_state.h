// The program's process-wide state. Everything the subsystems share lives
// here, as plain globals: the user-interface thread owns it. A save gets the
// folder, the format and the name template as they were at its press, copied
// on that thread; its workers touch none of these.
#pragma once

#include <cstdint>

#include "common/texts.h"  // g_szCaption, with the other texts
#include "platform/platform.h"

// Buffer sizes, in UTF-16 units with the NUL.
constexpr int kPathChars = 220;        // g_szPath, a save's folder and the folder prefixes
constexpr int kFilePathChars = 260;    // its folder, sub-folders and name
constexpr int kNameFormatChars = 101;  // g_szNameFormat: a template of at most 100 units

constexpr std::int32_t kFirstHotKeyId = 1000;

// g_dwFormat: the file format a save writes.
constexpr std::uint32_t kFormatBmp = 0;
constexpr std::uint32_t kFormatPng = 1;
constexpr std::uint32_t kFormatJpg = 2;

// g_szNameFormat when none is stored: the names the program has always given,
// 2026-3-4_5-6-07.bmp. (A macro too, since only a literal starts an array.)
#define TARNWICK_DEFAULT_NAME_FORMAT u"{yyyy}-{M}-{d}_{H}-{m}-{ss}"
inline constexpr char16_t kDefaultNameFormat[] = TARNWICK_DEFAULT_NAME_FORMAT;

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
