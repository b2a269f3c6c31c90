#include "settings/settings_store.h"

#include <cstring>
#include <string_view>

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "common/name_format.h"
#include "platform/owners.h"

const char16_t kSettingsKey[] = u"Software\\ClipboardTarnwick";

namespace {

constexpr char16_t kPathName[] = u"Path";
constexpr char16_t kKeysName[] = u"Keys";
constexpr char16_t kFormatName[] = u"Format";
constexpr char16_t kAutoSaveName[] = u"AutoSave";
constexpr char16_t kNotifyName[] = u"Notify";
constexpr char16_t kNameFormatName[] = u"NameFormat";
// "Path" always carries the whole folder buffer, whatever the text's length.
constexpr std::uint32_t kPathBytes = kPathChars * sizeof(char16_t);  // 440
constexpr std::uint32_t kKeysBytes = sizeof(std::uint32_t);

// The one writer of g_hConfigKey.
void HoldConfigKey(platform::Handle key) { g_hConfigKey = key; }

// The settings key, open for as long as the owner lives; g_hConfigKey
// meanwhile, null before and after.
class ConfigKey {
 public:
  explicit ConfigKey(platform::Registry& registry) : key_(registry) {
    result_ = key_.Create(kSettingsKey);
    HoldConfigKey(key_.get());
  }
  ~ConfigKey() { HoldConfigKey(nullptr); }
  ConfigKey(const ConfigKey&) = delete;
  ConfigKey& operator=(const ConfigKey&) = delete;

  // The Win32 result of opening it: 0 when open.
  std::int32_t result() const { return result_; }

 private:
  platform::OpenKey key_;
  std::int32_t result_ = 0;
};

// Reads "Path" over the start of the folder: a value shorter than the buffer
// replaces only its own bytes. The read goes into a copy, so that the folder
// changes only when it succeeds (after a refused type the platform may have
// written into its target) and never loses its NUL: a value that leaves no
// NUL within the 220 units counts as unreadable, like one of the wrong type.
bool ReadPath(platform::Registry& registry, char16_t* folder, std::uint32_t* bytes) {
  char16_t read[kPathChars];
  std::memcpy(read, folder, kPathBytes);
  if (registry.GetValue(g_hConfigKey, kPathName, platform::kRrfRtRegBinary, read, bytes) != 0) return false;
  if (BoundedLength(read, kPathChars) == kPathChars) return false;
  std::memcpy(folder, read, kPathBytes);
  return true;
}

// Reads "Keys": a REG_DWORD, or a REG_BINARY of exactly four bytes. The
// platform also hands over a REG_DWORD of fewer bytes; that is no hot-key
// word either.
bool ReadKeys(platform::Registry& registry, std::uint32_t* keys, std::uint32_t* bytes) {
  std::uint32_t read = *keys;
  if (registry.GetValue(g_hConfigKey, kKeysName, platform::kRrfRtDword, &read, bytes) != 0) return false;
  if (*bytes != kKeysBytes) return false;
  *keys = read;
  return true;
}

// Reads "Format": a REG_DWORD of a known format; anything else means BMP, so
// that a value written by a later version or by hand never stops a save.
std::uint32_t ReadFormat(platform::Registry& registry) {
  std::uint32_t format = kFormatBmp;
  std::uint32_t bytes = sizeof format;
  if (registry.GetValue(g_hConfigKey, kFormatName, platform::kRrfRtRegDword, &format, &bytes) != 0 ||
      bytes != sizeof format || format > kFormatJpg) {
    return kFormatBmp;
  }
  return format;
}

// "AutoSave" and "Notify": a REG_DWORD of 1 turns one on; missing, another
// type or any other number is off.
bool ReadSwitch(platform::Registry& registry, const char16_t* name) {
  std::uint32_t value = 0;
  std::uint32_t bytes = kKeysBytes;
  const bool read = registry.GetValue(g_hConfigKey, name, platform::kRrfRtRegDword, &value, &bytes) == 0;
  return read && bytes == kKeysBytes && value == 1;
}

// "NameFormat": a REG_SZ template that the settings would take for the
// folder just read; anything else, or none, means the default, so that a
// value written by hand never stops a save.
void ReadNameFormat(platform::Registry& registry, PersistedSettings* settings) {
  char16_t text[kNameFormatChars] = {};
  std::uint32_t bytes = sizeof text;
  const bool read = registry.GetValue(g_hConfigKey, kNameFormatName, platform::kRrfRtRegSz, text, &bytes) == 0;
  const std::u16string_view format(text, BoundedLength(text, read ? bytes / sizeof(char16_t) : 0));
  CopyText(settings->nameFormat, kNameFormatChars,
           CheckNameFormat(format, settings->folder) == NameFormatFault::kNone ? format : kDefaultNameFormat);
}

std::int32_t WriteDword(platform::Registry& registry, const char16_t* name, std::uint32_t value) {
  return registry.SetValue(g_hConfigKey, name, platform::kRegDword, &value, kKeysBytes);
}

std::int32_t WritePath(platform::Registry& registry, const PersistedSettings& settings) {
  return registry.SetValue(g_hConfigKey, kPathName, platform::kRegBinary, settings.folder, kPathBytes);
}

// "NameFormat", unless it is the default and none is stored: the default is
// not written until the user changes it.
std::int32_t WriteNameFormat(platform::Registry& registry, const PersistedSettings& settings) {
  char16_t stored[kNameFormatChars + 1];
  std::uint32_t bytes = sizeof stored;
  if (std::u16string_view(settings.nameFormat) == kDefaultNameFormat &&
      registry.GetValue(g_hConfigKey, kNameFormatName, platform::kRrfRtRegSz, stored, &bytes) ==
          static_cast<std::int32_t>(platform::kErrorFileNotFound)) {
    return 0;
  }
  const std::uint32_t length = static_cast<std::uint32_t>(BoundedLength(settings.nameFormat, kNameFormatChars));
  return registry.SetValue(g_hConfigKey, kNameFormatName, platform::kRegSz, settings.nameFormat,
                           (length + 1) * sizeof(char16_t));
}

}  // namespace

PersistedSettings CurrentSettings() {
  PersistedSettings settings;
  std::memcpy(settings.folder, g_szPath, sizeof settings.folder);
  settings.keys = g_dwKeys;
  settings.format = g_dwFormat;
  settings.autoSave = g_bAutoSave != 0;
  settings.notify = g_bNotify != 0;
  std::memcpy(settings.nameFormat, g_szNameFormat, sizeof settings.nameFormat);
  return settings;
}

void ApplySettings(const PersistedSettings& settings) {
  std::memcpy(g_szPath, settings.folder, sizeof g_szPath);
  g_dwKeys = settings.keys;
  g_dwFormat = settings.format;
  g_bAutoSave = settings.autoSave ? 1 : 0;
  g_bNotify = settings.notify ? 1 : 0;
  std::memcpy(g_szNameFormat, settings.nameFormat, sizeof g_szNameFormat);
}

SettingsFault LoadSettings(platform::Registry& registry) {
  const ConfigKey key(registry);
  if (key.result() != 0) return RegistryFault(SettingsFaultKind::kNotLoaded, kSettingsKey, key.result());
  PersistedSettings settings = CurrentSettings();
  settings.format = ReadFormat(registry);
  settings.autoSave = ReadSwitch(registry, kAutoSaveName);
  settings.notify = ReadSwitch(registry, kNotifyName);

  // "Keys" is read only once "Path" has been; when either fails, memory is
  // written back whole, so a first start stores the defaults.
  std::uint32_t pathBytes = kPathBytes;
  std::uint32_t keysBytes = kKeysBytes;
  SettingsFault fault;
  if (!ReadPath(registry, settings.folder, &pathBytes) || !ReadKeys(registry, &settings.keys, &keysBytes)) {
    const char16_t* value = kPathName;
    std::int32_t written = WritePath(registry, settings);
    if (written == 0) {
      value = kKeysName;
      written = WriteDword(registry, kKeysName, settings.keys);
    }
    if (written != 0) {
      fault = RegistryFault(SettingsFaultKind::kNotLoaded, value, written);
      // The count as the read of "Path" left it: 440, or the bytes read.
      fault.writeBackCount = pathBytes;
    }
  }
  // Checked against the folder as it now stands.
  ReadNameFormat(registry, &settings);
  ApplySettings(settings);
  return fault;
}

SettingsFault StoreSettings(platform::Registry& registry, const PersistedSettings& settings, ValuesToWrite write) {
  ApplySettings(settings);
  const ConfigKey key(registry);
  if (key.result() != 0) return RegistryFault(SettingsFaultKind::kNotStored, kSettingsKey, key.result());
  // In this order, up to the first that fails.
  std::int32_t written = WritePath(registry, settings);
  if (written != 0) return RegistryFault(SettingsFaultKind::kNotStored, kPathName, written);
  struct Word {
    const char16_t* name;
    std::uint32_t value;
    bool wanted;
  };
  const Word words[] = {{kKeysName, settings.keys, true},
                        {kFormatName, settings.format, write.format},
                        {kAutoSaveName, settings.autoSave ? 1u : 0u, write.autoSave},
                        {kNotifyName, settings.notify ? 1u : 0u, write.notify}};
  for (const Word& word : words) {
    if (!word.wanted) continue;
    written = WriteDword(registry, word.name, word.value);
    if (written != 0) return RegistryFault(SettingsFaultKind::kNotStored, word.name, written);
  }
  if (!write.nameFormat) return SettingsFault{};
  written = WriteNameFormat(registry, settings);
  if (written != 0) return RegistryFault(SettingsFaultKind::kNotStored, kNameFormatName, written);
  return SettingsFault{};
}
