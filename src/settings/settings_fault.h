// What went wrong in the settings, the hot key or the Run entry, as a value
// for the window to tell: SettingsFaultText gives its text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "common/name_format.h"

enum class SettingsFaultKind {
  kNone,
  kNoDefaultFolder,   // start-up: the desktop gives no default folder
  kNotLoaded,         // the settings key or a value could not be read or written back
  kBadFolder,         // the typed folder is refused, or a level of it cannot be made
  kBadNameFormat,     // the name template is refused (see nameFormat)
  kNeedsCombination,  // the word can be no hot key
  kKeyTakenAtStart,   // the stored key could not be registered at start-up
  kKeyTaken,          // the chosen or stored key could not be registered in the settings
  kNotStored,         // the Run entry or a settings value could not be written
};

struct SettingsFault {
  SettingsFault() = default;
  explicit SettingsFault(SettingsFaultKind kind, std::u16string where = {}, std::uint32_t error = 0)
      : kind(kind), where(std::move(where)), error(error) {}

  SettingsFaultKind kind = SettingsFaultKind::kNone;
  // The folder, or the registry key or value, where it went wrong (may be
  // empty), and the Windows error code (0 when there is none).
  std::u16string where;
  std::uint32_t error = 0;
  NameFormatFault nameFormat = NameFormatFault::kNone;
  // Set after a load whose write-back failed: the bytes the read of "Path"
  // left, which the load's "GH" box shows.
  std::optional<std::uint32_t> writeBackCount;

  bool ok() const { return kind == SettingsFaultKind::kNone; }
};

// A fault at a registry key or value, with the registry call's Win32 result.
inline SettingsFault RegistryFault(SettingsFaultKind kind, const char16_t* where, std::int32_t result) {
  return SettingsFault{kind, where, static_cast<std::uint32_t>(result)};
}

// The text of a fault's box; empty for none.
std::u16string SettingsFaultText(const SettingsFault& fault);
// The "GH" box's text after a failed write-back: the count, in decimal.
std::u16string WriteBackText(std::uint32_t count);
