// The sizes and values the settings take, apart from the variables that
// hold them (app_state.h): what code needs that only handles a folder, a
// format or a name template it was given.
#pragma once

#include <cstdint>

// Buffer sizes, in UTF-16 units with the NUL.
constexpr int kPathChars = 220;        // g_szPath, a save's folder and the folder prefixes
constexpr int kFilePathChars = 260;    // its folder, sub-folders and name
constexpr int kNameFormatChars = 101;  // g_szNameFormat: a template of at most 100 units

// g_dwFormat: the file format a save writes.
constexpr std::uint32_t kFormatBmp = 0;
constexpr std::uint32_t kFormatPng = 1;
constexpr std::uint32_t kFormatJpg = 2;

// g_szNameFormat when none is stored: the names the program has always given,
// 2026-3-4_5-6-07.bmp. (A macro too, since only a literal starts an array.)
#define TARNWICK_DEFAULT_NAME_FORMAT u"{yyyy}-{M}-{d}_{H}-{m}-{ss}"
inline constexpr char16_t kDefaultNameFormat[] = TARNWICK_DEFAULT_NAME_FORMAT;
