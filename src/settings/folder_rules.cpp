#include "settings/folder_rules.h"

#include <initializer_list>

#include "app/app_state.h"
#include "app/wide_text.h"

bool FolderTextIsValid(const char16_t* text) {
  const std::size_t length = WideLength(text, kPathChars);
  if (length < 3 || text[1] != u':' || text[2] != u'\\') return false;
  if (text[length - 1] == u'.') return false;
  for (const char16_t* part : {u"\\\\", u"..", u"*", u"?", u"/", u".\\"}) {
    if (WideContains(text, part)) return false;
  }
  return true;
}

bool EndFolderWithBackslash(char16_t* folder) {
  const std::size_t length = WideLength(folder, kPathChars);
  if (length > 0 && folder[length - 1] == u'\\') return true;
  return WideAppend(folder, kPathChars, u"\\");
}

bool CreateFolderLevels(const char16_t* folder) {
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
    // A level another program made meanwhile, or one that exists as a file or
    // cannot be seen, does not stop the walk: the save finds out later.
    if (error == 0 || error == platform::kErrorAccessDenied || error == platform::kErrorAlreadyExists) continue;
    return false;
  }
  return true;
}
