#include "app/folder_levels.h"

#include "app/app_state.h"
#include "app/wide_text.h"

bool CreateMissingFolderLevels(const char16_t* folder, bool (*tolerated)(std::uint32_t error)) {
  platform::FileSystem& files = platform::Current().files;
  char16_t prefix[kPathChars];
  WideZero(prefix, kPathChars);
  const std::size_t length = WideLength(folder, kPathChars);
  for (std::size_t i = 0; i < length; ++i) {
    if (folder[i] != u'\\') continue;
    WideCopyCount(prefix, kPathChars, folder, i + 1);
    if (files.IsDirectory(prefix)) continue;
    std::uint32_t error = 0;
    if (files.MakeDirectory(prefix, &error)) continue;
    if (tolerated == nullptr || !tolerated(error)) return false;
  }
  return true;
}
