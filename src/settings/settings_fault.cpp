#include "settings/settings_fault.h"

#include "common/safe_format.h"
#include "common/texts.h"

std::u16string SettingsFaultText(const SettingsFault& fault) {
  switch (fault.kind) {
    case SettingsFaultKind::kNone:
      return u"";
    case SettingsFaultKind::kNoDefaultFolder:
      return kStartupFailedText;
    case SettingsFaultKind::kNotLoaded:
      return kConfigUnreadableText;
    case SettingsFaultKind::kBadFolder:
      return kBadFolderText;
    case SettingsFaultKind::kBadNameFormat: {
      const char16_t* text = NameFormatFaultText(fault.nameFormat);
      return text != nullptr ? text : u"";
    }
    case SettingsFaultKind::kNeedsCombination:
      return kNeedsCombinationText;
    case SettingsFaultKind::kKeyTakenAtStart:
      return kStartupKeyRefusedText;
    case SettingsFaultKind::kKeyTaken:
      return kKeyRefusedText;
    case SettingsFaultKind::kNotStored:
      return kSettingsSaveFailedText;
  }
  return u"";
}

std::u16string WriteBackText(std::uint32_t count) {
  char16_t text[11];
  return SafeFormat(text, 11, u"%d", static_cast<int>(count)) > 0 ? text : u"";
}
