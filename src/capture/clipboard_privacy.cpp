#include "capture/clipboard_privacy.h"

#include <cstring>
#include <string>

#include "platform/owners.h"

bool ClipboardIsPrivate(platform::Clipboard& clipboard, platform::GlobalMemory& memory) {
  if (clipboard.HasNamed(u"ExcludeClipboardContentFromMonitorProcessing") ||
      clipboard.HasNamed(u"Clipboard Viewer Ignore")) {
    return true;
  }
  // "Not for the clipboard history" is a DWORD of 0; any other value allows it.
  constexpr char16_t kHistory[] = u"CanIncludeInClipboardHistory";
  if (!clipboard.HasNamed(kHistory)) return false;
  const platform::LockedBlock block(memory, clipboard.GetNamed(kHistory));
  std::uint32_t allowed = 0;
  if (block.bytes() == nullptr || block.size() < sizeof allowed) return true;
  std::memcpy(&allowed, block.bytes(), sizeof allowed);
  return allowed == 0;
}

namespace {

// The office programs that put a picture of the selection beside every copy
// of cells, text or shapes: Microsoft Office's Excel, Word, PowerPoint,
// OneNote, Outlook and Access, and WPS Office's 表格, 文字 and 演示.
constexpr const char16_t* kOfficePrograms[] = {u"EXCEL.EXE",   u"WINWORD.EXE", u"POWERPNT.EXE",
                                               u"ONENOTE.EXE", u"OUTLOOK.EXE", u"MSACCESS.EXE",
                                               u"et.exe",      u"wps.exe",     u"wpp.exe"};

// File names compare as Windows compares them: ASCII letters without case.
bool SameFileName(const std::u16string& name, const char16_t* known) {
  const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; };
  std::size_t i = 0;
  for (; i < name.size() && known[i] != u'\0'; ++i)
    if (fold(name[i]) != fold(known[i])) return false;
  return i == name.size() && known[i] == u'\0';
}

}  // namespace

bool ClipboardIsOfficeCopy(platform::Clipboard& clipboard, platform::Shell& shell) {
  if (!clipboard.HasText()) return false;
  const std::u16string program = shell.WindowProgram(clipboard.OwnerWindow());
  for (const char16_t* office : kOfficePrograms)
    if (SameFileName(program, office)) return true;
  return false;
}
