// Creating a folder one level at a time, from the drive's root down.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// The level that could not be made, and why; ok when every level is there.
struct FolderFault {
  bool ok = true;
  std::u16string where;     // the level, ended with its backslash
  std::uint32_t error = 0;  // MakeDirectory's GetLastError()
};

// Creates each missing level of a backslash-ended folder (at most
// kFilePathChars units with its NUL, a save's sub-folders included): every
// prefix that ends with a backslash is looked at in order, and made when it
// is not a directory. A failed creation stops the walk with its fault unless
// `tolerated` (when given) accepts its error code. Levels made before a
// failure stay.
FolderFault CreateMissingFolderLevels(platform::FileSystem& files, const char16_t* folder,
                                      bool (*tolerated)(std::uint32_t error));
