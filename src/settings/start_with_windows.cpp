#include "settings/start_with_windows.h"

#include <algorithm>
#include <vector>

#include "platform/owners.h"
#include "platform/platform.h"

const char16_t kRunKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char16_t kStartupApprovedKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const char16_t kRunValueName[] = u"ClipboardTarnwick";

namespace {

// Room for our own value (a quoted path of any length the program can have
// is not expected past this); a longer value names something else.
constexpr std::size_t kRunValueChars = 1024;
// Task Manager writes 12 bytes; a longer value is read as far as this.
constexpr std::size_t kApprovedBytes = 64;
constexpr std::uint8_t kApprovedOffBit = 0x01;
constexpr auto kNotFound = static_cast<std::int32_t>(platform::kErrorFileNotFound);

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

char16_t FoldAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// The StartupApproved value, when there is one that can be read.
bool ReadApproved(platform::Registry& registry, platform::OpenKey& key, std::vector<std::uint8_t>* value) {
  if (key.Open(kStartupApprovedKey) != 0) return false;
  value->assign(kApprovedBytes, 0);
  std::uint32_t size = kApprovedBytes;
  if (registry.GetValue(key.get(), kRunValueName, platform::kRrfRtRegBinary, value->data(), &size) != 0) return false;
  value->resize(size);
  return true;
}

}  // namespace

std::u16string RunValueText(std::u16string_view program) {
  std::u16string text = u"\"";
  text += program;
  text += u'"';
  return text;
}

bool RunValueNamesProgram(std::u16string_view value, std::u16string_view program) {
  value = Trimmed(value);
  if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"') value = value.substr(1, value.size() - 2);
  return !program.empty() && std::equal(value.begin(), value.end(), program.begin(), program.end(),
                                        [](char16_t a, char16_t b) { return FoldAscii(a) == FoldAscii(b); });
}

bool StartupApprovedSaysOff(const std::uint8_t* data, std::size_t size) {
  return size >= 1 && (data[0] & kApprovedOffBit) != 0;
}

bool StartsWithWindows(platform::Registry& registry, platform::Shell& shell) {
  platform::OpenKey run(registry);
  if (run.Open(kRunKey) != 0) return false;
  std::u16string value(kRunValueChars, u'\0');
  std::uint32_t size = kRunValueChars * sizeof(char16_t);
  if (registry.GetValue(run.get(), kRunValueName, platform::kRrfRtRegSz, value.data(), &size) != 0) return false;
  value.resize(std::min<std::size_t>(size / sizeof(char16_t), value.size()));
  while (!value.empty() && value.back() == u'\0') value.pop_back();
  if (!RunValueNamesProgram(value, shell.ProgramPath())) return false;

  platform::OpenKey approvedKey(registry);
  std::vector<std::uint8_t> approved;
  return !ReadApproved(registry, approvedKey, &approved) || !StartupApprovedSaysOff(approved.data(), approved.size());
}

SettingsFault SetStartWithWindows(platform::Registry& registry, platform::Shell& shell, bool on) {
  platform::OpenKey run(registry);
  if (!on) {
    // Nothing to remove is as good as removed.
    const std::int32_t opened = run.Open(kRunKey);
    if (opened != 0) return opened == kNotFound ? SettingsFault{} : RegistryFault(SettingsFaultKind::kNotStored, kRunKey, opened);
    const std::int32_t removed = registry.DeleteValue(run.get(), kRunValueName);
    return removed == 0 || removed == kNotFound ? SettingsFault{} : RegistryFault(SettingsFaultKind::kNotStored, kRunValueName, removed);
  }

  const std::u16string program = shell.ProgramPath();
  if (program.empty()) return RegistryFault(SettingsFaultKind::kNotStored, kRunValueName, 0);
  const std::int32_t created = run.Create(kRunKey);
  if (created != 0) return RegistryFault(SettingsFaultKind::kNotStored, kRunKey, created);
  const std::u16string text = RunValueText(program);
  const auto bytes = static_cast<std::uint32_t>((text.size() + 1) * sizeof(char16_t));
  const std::int32_t written = registry.SetValue(run.get(), kRunValueName, platform::kRegSz, text.c_str(), bytes);
  if (written != 0) return RegistryFault(SettingsFaultKind::kNotStored, kRunValueName, written);

  // Turned on here, so it must not stay turned off in Task Manager's list:
  // the mark becomes what Task Manager writes when it turns an entry on.
  platform::OpenKey approvedKey(registry);
  std::vector<std::uint8_t> approved;
  if (!ReadApproved(registry, approvedKey, &approved) || !StartupApprovedSaysOff(approved.data(), approved.size())) {
    return SettingsFault{};
  }
  std::vector<std::uint8_t> cleared(12, 0);
  cleared[0] = static_cast<std::uint8_t>(approved[0] & ~kApprovedOffBit);
  const std::int32_t marked = registry.SetValue(approvedKey.get(), kRunValueName, platform::kRegBinary,
                                                cleared.data(), static_cast<std::uint32_t>(cleared.size()));
  return marked == 0 ? SettingsFault{} : RegistryFault(SettingsFaultKind::kNotStored, kStartupApprovedKey, marked);
}
