// The program's process-wide state. Everything the subsystems share lives
// here, as plain globals: the user-interface thread owns it. A save's worker
// touches only the save scratch, one worker at a time; it gets the folder and
// the format as they were at its press, copied on the user-interface thread.
#pragma once

#include <cstdint>

#include "common/texts.h"  // g_szCaption, with the other texts
#include "platform/platform.h"

// Buffer sizes, in UTF-16 units with the NUL.
constexpr int kPathChars = 220;      // g_szPath, g_szSaveDir and the folder prefixes
constexpr int kFileNameChars = 40;   // g_szFileName
constexpr int kFilePathChars = 260;  // g_szFilePath

constexpr std::int32_t kFirstHotKeyId = 1000;
constexpr std::uint32_t kDefaultKeys = 0x00020069;  // Control + numeric-keypad 9

// g_dwFormat: the file format a save writes.
constexpr std::uint32_t kFormatBmp = 0;
constexpr std::uint32_t kFormatPng = 1;

// Hot key, windows and dialogs.
extern std::int32_t g_nHotKeyId;         // identifier of the registered hot key
extern void* g_hMainWnd;                 // the hidden main dialog (HWND)
extern std::int32_t g_bHotKeyRegistered; // exit must unregister the key
extern std::int32_t g_bHelpDlgOpen;
extern std::int32_t g_bConfigDlgOpen;
extern std::int32_t g_bAboutDlgOpen;

// Settings.
extern std::uint32_t g_dwKeys;           // packed hot key: modifiers << 16 | virtual key
extern platform::Handle g_hConfigKey;    // the settings key while it is open
extern char16_t g_szPath[kPathChars];    // the save folder, ending with a backslash
extern std::uint32_t g_dwFormat;         // kFormatBmp or kFormatPng
extern std::int32_t g_bAutoSave;         // save every new clipboard picture without a key (0 or 1)

// Save scratch, used only by the save routine.
extern char16_t g_szSaveDir[kPathChars];
extern char16_t g_szFileName[kFileNameChars];
extern char16_t g_szFilePath[kFilePathChars];
extern const std::uint8_t* g_pClipboardDib;
extern platform::Handle g_hOutputFile;
extern std::uint32_t g_dwDibSize;
