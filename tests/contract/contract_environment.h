// What a contract test needs from outside the seam: a scratch folder, a way to
// look at files, a scratch registry key, a window for hot keys, and another
// program's hand on the clipboard and on hot keys. Implemented once
// for the fake platform and once for the real one, so the same tests show that
// both behave alike.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace contract {

using Bytes = std::vector<std::uint8_t>;

class Environment {
 public:
  virtual ~Environment() = default;
  virtual platform::Platform& Platform() = 0;
  // A new, empty folder for one test, ending with a backslash.
  virtual std::u16string NewScratchFolder() = 0;
  virtual void MakeFile(const std::u16string& path, const Bytes& content) = 0;
  // Gives an existing file the read-only attribute.
  virtual void MakeReadOnly(const std::u16string& path) = 0;
  // The file's bytes, or nothing when it does not exist or is a folder.
  virtual bool ReadFile(const std::u16string& path, Bytes* content) = 0;
  virtual bool Exists(const std::u16string& path) = 0;
  // Another program opens the file for reading, sharing read and write but
  // not delete, and keeps it open until it lets go; false when it could not.
  virtual bool HoldFile(const std::u16string& path) = 0;
  virtual void LetGoOfFile() = 0;
  // The id of a process that has ended (and whose id is not yet given to another).
  virtual std::uint32_t EndedProcessId() = 0;
  // Another program puts a CF_DIB (or CF_DIBV5) block, or only text, on the clipboard.
  virtual void PutDibOnClipboard(const Bytes& block, bool dibV5 = false) = 0;
  virtual void PutTextOnClipboard(const std::u16string& text) = 0;
  // Another program opens the clipboard and keeps it open until released.
  virtual void HoldClipboard() = 0;
  virtual void ReleaseClipboard() = 0;
  // The file name of the program whose windows put and hold the clipboard
  // above (on the real platform, this test program).
  virtual std::u16string ClipboardProgram() = 0;

  // A new key below HKEY_CURRENT_USER, for one test; it does not exist yet.
  virtual std::u16string NewScratchKey() = 0;
  // A hidden window of this program that hot keys can be registered for.
  virtual void* HotKeyWindow() = 0;
  // Another program registers these keystrokes (RegisterHotKey's MOD_ flags)
  // and holds them until released; false when it could not take them.
  virtual bool HoldHotKeyElsewhere(std::uint32_t modifiers, std::uint32_t virtualKey) = 0;
  virtual void ReleaseHotKeyElsewhere() = 0;
  // GetLastError after the hot-key operation that just failed.
  virtual std::uint32_t LastHotKeyError() = 0;
  // The platform is Wine, which is more lenient than Windows documents in the
  // places the tests name; the fake follows Windows.
  virtual bool IsWine() = 0;
};

// The environment of this build.
Environment& Current();

}  // namespace contract
