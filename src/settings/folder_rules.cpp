#include "settings/folder_rules.h"

#include <initializer_list>

#include "common/setting_values.h"
#include "common/folder_levels.h"
#include "common/bounded_text.h"

bool FolderTextIsValid(const char16_t* text) {
  const std::size_t length = BoundedLength(text, kPathChars);
  if (length < 3 || text[1] != u':' || text[2] != u'\\') return false;
  if (text[length - 1] == u'.') return false;
  for (const char16_t* part : {u"\\\\", u"..", u"*", u"?", u"/", u".\\"}) {
    if (std::u16string_view(text).find(part) != std::u16string_view::npos) return false;
  }
  return true;
}

bool EndFolderWithBackslash(char16_t* folder) {
  const std::size_t length = BoundedLength(folder, kPathChars);
  if (length > 0 && folder[length - 1] == u'\\') return true;
  return AppendText(folder, kPathChars, u"\\");
}

namespace {
// A level another program made meanwhile, or one that exists as a file or
// cannot be seen, does not stop the walk: the save finds out later.
bool ToleratedByTheDialog(std::uint32_t error) {
  return error == 0 || error == platform::kErrorAccessDenied || error == platform::kErrorAlreadyExists;
}
}  // namespace

FolderFault CreateFolderLevels(platform::FileSystem& files, const char16_t* folder) {
  return CreateMissingFolderLevels(files, folder, ToleratedByTheDialog);
}
