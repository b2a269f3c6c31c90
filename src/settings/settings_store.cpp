#include "settings/settings_store.h"

#include <cstdint>
#include <cstring>

#include "common/app_state.h"
#include "common/error_box.h"
#include "common/safe_format.h"
#include "common/bounded_text.h"
#include "common/name_format.h"
#include "platform/owners.h"
#include "platform/platform.h"
#include "settings/hot_key.h"

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

constexpr char16_t kScreenshotsFolder[] = u"\\screenshots\\";


// The desktop folder followed by "\screenshots\", into `folder` (kPathChars
// units, zero-filled). False when the shell has no desktop folder or it is
// too long to take the subfolder within the buffer.
bool DefaultFolder(platform::Shell& shell, char16_t* folder) {
  // The shell writes up to MAX_PATH units: take it in a buffer of that size
  // and copy only what fits into the folder.
  char16_t desktop[platform::kMaxPathChars];
  std::fill_n(desktop, platform::kMaxPathChars, u'\0');
  if (!shell.DesktopDirectory(desktop)) return false;
  const std::size_t length = BoundedLength(desktop, platform::kMaxPathChars);
  if (length == 0 || length == platform::kMaxPathChars) return false;
  return CopyText(folder, kPathChars, desktop) && AppendText(folder, kPathChars, kScreenshotsFolder);
}

// The settings key, open for as long as the owner lives; g_hConfigKey
// meanwhile, null before and after.
class ConfigKey {
 public:
  explicit ConfigKey(platform::Registry& registry) : key_(registry) {
    opened_ = key_.Create(kSettingsKey) == 0;
    g_hConfigKey = key_.get();
  }
  ~ConfigKey() { g_hConfigKey = nullptr; }
  ConfigKey(const ConfigKey&) = delete;
  ConfigKey& operator=(const ConfigKey&) = delete;

  bool opened() const { return opened_; }

 private:
  platform::OpenKey key_;
  bool opened_ = false;
};

// Reads "Path" over the start of g_szPath: a value shorter than the buffer
// replaces only its own bytes. The read goes into a copy, so that g_szPath
// changes only when it succeeds (after a refused type the platform may have
// written into its target) and never loses its NUL: a value that leaves no
// NUL within the 220 units counts as unreadable, like one of the wrong type.
bool ReadPath(platform::Registry& registry, std::uint32_t* bytes) {
  char16_t folder[kPathChars];
  std::memcpy(folder, g_szPath, kPathBytes);
  if (registry.GetValue(g_hConfigKey, kPathName, platform::kRrfRtRegBinary, folder, bytes) != 0) return false;
  if (BoundedLength(folder, kPathChars) == kPathChars) return false;
  std::memcpy(g_szPath, folder, kPathBytes);
  return true;
}

// Reads "Keys": a REG_DWORD, or a REG_BINARY of exactly four bytes. The
// platform also hands over a REG_DWORD of fewer bytes; that is no hot-key
// word either.
bool ReadKeys(platform::Registry& registry, std::uint32_t* bytes) {
  std::uint32_t keys = g_dwKeys;
  if (registry.GetValue(g_hConfigKey, kKeysName, platform::kRrfRtDword, &keys, bytes) != 0) return false;
  if (*bytes != kKeysBytes) return false;
  g_dwKeys = keys;
  return true;
}

// Reads "Format": a REG_DWORD of a known format; anything else means BMP, so
// that a value written by a later version or by hand never stops a save.
void ReadFormat(platform::Registry& registry) {
  std::uint32_t format = kFormatBmp;
  std::uint32_t bytes = sizeof format;
  if (registry.GetValue(g_hConfigKey, kFormatName, platform::kRrfRtRegDword, &format, &bytes) != 0 ||
      bytes != sizeof format || format > kFormatJpg) {
    format = kFormatBmp;
  }
  g_dwFormat = format;
}

// "AutoSave" and "Notify": a REG_DWORD of 1 turns one on; missing, another
// type or any other number is off.
std::int32_t ReadSwitch(platform::Registry& registry, const char16_t* name) {
  std::uint32_t value = 0;
  std::uint32_t bytes = kKeysBytes;
  const bool read = registry.GetValue(g_hConfigKey, name, platform::kRrfRtRegDword, &value, &bytes) == 0;
  return read && bytes == kKeysBytes && value == 1 ? 1 : 0;
}

// "NameFormat": a REG_SZ template that the settings would take for the
// folder just read; anything else, or none, means the default, so that a
// value written by hand never stops a save.
void ReadNameFormat(platform::Registry& registry) {
  char16_t text[kNameFormatChars] = {};
  std::uint32_t bytes = sizeof text;
  const bool read = registry.GetValue(g_hConfigKey, kNameFormatName, platform::kRrfRtRegSz, text, &bytes) == 0;
  const std::u16string_view format(text, BoundedLength(text, read ? bytes / sizeof(char16_t) : 0));
  CopyText(g_szNameFormat, kNameFormatChars,
           CheckNameFormat(format, g_szPath) == NameFormatFault::kNone ? format : kDefaultNameFormat);
}

bool WriteSwitch(platform::Registry& registry, const char16_t* name, std::int32_t on) {
  const std::uint32_t value = on != 0 ? 1 : 0;
  return registry.SetValue(g_hConfigKey, name, platform::kRegDword, &value, kKeysBytes) == 0;
}

bool WritePath(platform::Registry& registry) {
  return registry.SetValue(g_hConfigKey, kPathName, platform::kRegBinary, g_szPath, kPathBytes) == 0;
}

bool WriteKeys(platform::Registry& registry) {
  return registry.SetValue(g_hConfigKey, kKeysName, platform::kRegDword, &g_dwKeys, kKeysBytes) == 0;
}

// "NameFormat", unless it is the default and none is stored: the default is
// not written until the user changes it.
bool WriteNameFormat(platform::Registry& registry) {
  char16_t stored[kNameFormatChars + 1];
  std::uint32_t bytes = sizeof stored;
  if (std::u16string_view(g_szNameFormat) == kDefaultNameFormat &&
      registry.GetValue(g_hConfigKey, kNameFormatName, platform::kRrfRtRegSz, stored, &bytes) ==
          static_cast<std::int32_t>(platform::kErrorFileNotFound)) {
    return true;
  }
  const std::uint32_t length = static_cast<std::uint32_t>(BoundedLength(g_szNameFormat, kNameFormatChars));
  return registry.SetValue(g_hConfigKey, kNameFormatName, platform::kRegSz, g_szNameFormat,
                           (length + 1) * sizeof(char16_t)) == 0;
}

// StoreSettings' steps up to the writes; false at the first that fails.
bool StoreAll(platform::Registry& registry, const char16_t* folder, std::uint32_t format,
              std::u16string_view nameFormat) {
  // Formatted aside first: a folder that does not fit leaves g_szPath as it
  // was instead of empty.
  char16_t text[kPathChars];
  if (SafeFormat(text, kPathChars, u"%s", folder) <= 0) return false;
  // Only the text and its NUL: the units after it keep what an earlier,
  // longer folder left there, as the stored value does.
  CopyText(g_szPath, kPathChars, text);
  g_dwFormat = format;
  CopyText(g_szNameFormat, kNameFormatChars, nameFormat);

  const ConfigKey key(registry);
  return key.opened() && WritePath(registry) && WriteKeys(registry) &&
         registry.SetValue(g_hConfigKey, kFormatName, platform::kRegDword, &g_dwFormat, sizeof g_dwFormat) == 0 &&
         WriteSwitch(registry, kAutoSaveName, g_bAutoSave) && WriteSwitch(registry, kNotifyName, g_bNotify) &&
         WriteNameFormat(registry);
}

}  // namespace

void InitDefaultSettings() {
  platform::Platform& os = platform::Current();

  // Built aside so that a fresh folder's tail is all zeros, and a failure
  // leaves the start values: an empty folder and no hot key.
  char16_t folder[kPathChars];
  std::fill_n(folder, kPathChars, u'\0');
  if (DefaultFolder(os.shell, folder)) {
    std::memcpy(g_szPath, folder, kPathBytes);
    g_dwKeys = kDefaultHotKey.Stored();
  } else {
    std::fill_n(g_szPath, kPathChars, u'\0');
    g_dwKeys = 0;
    os.messageBoxes.Show(kStartupFailedText, kStartupFailedCaption, platform::kMbIconError);
  }
}

int LoadSettings() {
  platform::Platform& os = platform::Current();
  platform::Registry& registry = os.registry;
  std::uint32_t pathBytes = kPathBytes;
  std::uint32_t keysBytes = kKeysBytes;

  const ConfigKey key(registry);
  if (!key.opened()) return 0;
  ReadFormat(registry);
  g_bAutoSave = ReadSwitch(registry, kAutoSaveName);
  g_bNotify = ReadSwitch(registry, kNotifyName);

  // "Keys" is read only once "Path" has been; when either fails, memory is
  // written back whole, so a first start stores the defaults.
  const bool loaded = (ReadPath(registry, &pathBytes) && ReadKeys(registry, &keysBytes)) ||
                      (WritePath(registry) && WriteKeys(registry));
  // Checked against the folder as it now stands.
  ReadNameFormat(registry);
  if (loaded) return 1;

  // The count as the read of "Path" left it: 440, or the bytes read.
  char16_t count[9];
  SafeFormat(count, 9, u"%d", static_cast<int>(pathBytes));
  ShowSettingsBox(count, kWriteBackCaption, platform::kMbOk);
  return 0;
}

bool StoreSettings(const char16_t* folder, std::uint32_t format, std::u16string_view nameFormat) {
  platform::Platform& os = platform::Current();
  if (!StoreAll(os.registry, folder, format, nameFormat)) {
    ShowSettingsErrorBox(kSettingsSaveFailedText);
    return false;
  }
  ShowSettingsBox(kSettingsSavedText, g_szCaption, platform::kMbIconInformation);
  return true;
}
