#include "common/folder_levels.h"

#include "common/setting_values.h"
#include "common/bounded_text.h"

FolderFault CreateMissingFolderLevels(platform::FileSystem& files, const char16_t* folder,
                                      bool (*tolerated)(std::uint32_t error)) {
  char16_t prefix[kFilePathChars];
  std::fill_n(prefix, kFilePathChars, u'\0');
  const std::size_t length = BoundedLength(folder, kFilePathChars);
  for (std::size_t i = 0; i < length; ++i) {
    if (folder[i] != u'\\') continue;
    CopyText(prefix, kFilePathChars, std::u16string_view(folder, i + 1));
    if (files.IsDirectory(prefix)) continue;
    std::uint32_t error = 0;
    if (files.MakeDirectory(prefix, &error)) continue;
    if (tolerated == nullptr || !tolerated(error)) return FolderFault{false, prefix, error};
  }
  return FolderFault{};
}
