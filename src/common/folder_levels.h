// Creating a folder one level at a time, from the drive's root down.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

// Where a walk stopped: the level it could not make and the Windows error.
struct FolderFault {
  bool ok = true;
  std::u16string where;
  std::uint32_t error = 0;
};

// Creates each missing level of a backslash-ended folder (at most
// kFilePathChars units with its NUL, a save's sub-folders included): every
// prefix that ends with a backslash is looked at in order, and made when it
// is not a directory. A failed creation stops the walk with its fault unless
// `tolerated` (when given) accepts its error code. Levels made before a
// failure stay.
FolderFault CreateMissingFolderLevels(platform::FileSystem& files, const char16_t* folder,
                                      bool (*tolerated)(std::uint32_t error));
