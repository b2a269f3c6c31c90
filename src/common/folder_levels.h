// Creating a folder one level at a time, from the drive's root down.
#pragma once

#include <cstdint>

// Creates each missing level of a backslash-ended folder (at most
// kFilePathChars units with its NUL, a save's sub-folders included): every
// prefix that ends with a backslash is looked at in order, and made when it
// is not a directory. A failed creation stops the walk with false unless
// `tolerated` (when given) accepts its error code. Levels made before a
// failure stay.
bool CreateMissingFolderLevels(const char16_t* folder, bool (*tolerated)(std::uint32_t error));
