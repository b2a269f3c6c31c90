#include "common/name_format.h"

#include <algorithm>

#include "common/texts.h"

namespace {

enum Field { kYear, kMonth, kDay, kHour, kMinute, kSecond };

struct Token {
  std::u16string_view name;
  Field field;
  bool padded;         // to two digits
  std::size_t widest;  // digits at most (a SYSTEMTIME year has up to five)
};

constexpr Token kTokens[] = {
    {u"yyyy", kYear, false, 5}, {u"M", kMonth, false, 2},  {u"MM", kMonth, true, 2}, {u"d", kDay, false, 2},
    {u"dd", kDay, true, 2},     {u"H", kHour, false, 2},   {u"HH", kHour, true, 2},  {u"m", kMinute, false, 2},
    {u"mm", kMinute, true, 2},  {u"ss", kSecond, true, 2},
};

constexpr std::size_t kMostTemplateChars = kNameFormatChars - 1;
// What Windows forbids in a name, besides the control characters.
constexpr std::u16string_view kForbidden = u"<>:\"/|?*";
// The most a save adds to the template: " (100)" and the extension.
constexpr std::size_t kNumberAndExtensionChars = 6 + 4;

const Token* FindToken(std::u16string_view name) {
  for (const Token& token : kTokens)
    if (token.name == name) return &token;
  return nullptr;
}

// Walks the template, handing each character and each token on; false at
// the first forbidden character, or braces round no token.
template <typename Literal, typename Filled>
bool Walk(std::u16string_view format, Literal literal, Filled filled) {
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c == u'{') {
      const std::size_t close = format.find(u'}', i);
      const Token* token = close == std::u16string_view::npos ? nullptr : FindToken(format.substr(i + 1, close - i - 1));
      if (token == nullptr) return false;
      filled(*token);
      i = close;
    } else if (c == u'}' || c < 0x20 || kForbidden.find(c) != std::u16string_view::npos) {
      return false;
    } else {
      literal(c);
    }
  }
  return true;
}

// Each level between backslashes names a folder (or, last, the file): none
// is empty, "." or "..", or ends with a dot or a space, which Windows would
// drop. A template that starts or ends with a backslash has an empty level.
bool LevelsAreNames(std::u16string_view format) {
  for (std::size_t start = 0;;) {
    const std::size_t end = format.find(u'\\', start);
    const std::u16string_view level = format.substr(start, end == std::u16string_view::npos ? end : end - start);
    if (level.empty() || level == u"." || level == u".." || level.back() == u'.' || level.back() == u' ') return false;
    if (end == std::u16string_view::npos) return true;
    start = end + 1;
  }
}

// The longest paths the template can give below a folder of `folderChars`
// units (its backslash included) fit what the save keeps: the file with its
// number and extension, and the temporary file beside it. (So the deepest
// folder also leaves CreateDirectoryW the 12 units it wants for an 8.3 name.)
bool PathsFit(std::u16string_view format, std::size_t folderChars) {
  std::size_t folders = 0;  // the sub-folders with their backslashes
  std::size_t level = 0;    // the level being walked
  Walk(
      format,
      [&](char16_t c) {
        if (c != u'\\') {
          ++level;
          return;
        }
        folders += level + 1;
        level = 0;
      },
      [&](const Token& token) { level += token.widest; });
  return folderChars + folders + std::max(level + kNumberAndExtensionChars, kTemporaryNameChars) < kFilePathChars;
}

std::uint16_t ValueOf(Field field, const platform::LocalTime& time) {
  switch (field) {
    case kYear:
      return time.year;
    case kMonth:
      return time.month;
    case kDay:
      return time.day;
    case kHour:
      return time.hour;
    case kMinute:
      return time.minute;
    case kSecond:
      return time.second;
  }
  return 0;
}

void AppendNumber(std::u16string* text, unsigned value, bool padded) {
  char16_t digits[8];
  int count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  if (padded && count < 2) digits[count++] = u'0';
  while (count > 0) *text += digits[--count];
}

}  // namespace

NameFormatFault CheckNameFormat(std::u16string_view nameFormat, std::u16string_view folder) {
  // Every brace opens a token in a template the walk takes, so this is {ss}
  // as a token.
  if (nameFormat.find(u"{ss}") == std::u16string_view::npos) return NameFormatFault::kEmptyOrNoSeconds;
  if (!Walk(nameFormat, [](char16_t) {}, [](const Token&) {})) return NameFormatFault::kBadCharacterOrToken;
  if (!LevelsAreNames(nameFormat)) return NameFormatFault::kBadLevel;
  const std::size_t folderChars = folder.size() + (folder.empty() || folder.back() != u'\\' ? 1 : 0);
  if (nameFormat.size() > kMostTemplateChars || !PathsFit(nameFormat, folderChars)) return NameFormatFault::kTooLong;
  return NameFormatFault::kNone;
}

const char16_t* NameFormatFaultText(NameFormatFault fault) {
  switch (fault) {
    case NameFormatFault::kNone:
      return nullptr;
    case NameFormatFault::kEmptyOrNoSeconds:
      return kNameFormatNoSecondsText;
    case NameFormatFault::kBadCharacterOrToken:
      return kNameFormatBadCharacterText;
    case NameFormatFault::kBadLevel:
      return kNameFormatBadLevelText;
    case NameFormatFault::kTooLong:
      return kNameFormatTooLongText;
  }
  return nullptr;
}

const char16_t* FormatExtension(std::uint32_t format) {
  return format == kFormatPng ? u".png" : format == kFormatJpg ? u".jpg" : u".bmp";
}

std::u16string MakeSaveFileName(const platform::LocalTime& time, std::u16string_view nameFormat, int copy,
                                std::uint32_t format) {
  if (CheckNameFormat(nameFormat, u"") != NameFormatFault::kNone) return {};
  std::u16string name;
  Walk(nameFormat, [&](char16_t c) { name += c; },
       [&](const Token& token) { AppendNumber(&name, ValueOf(token.field, time), token.padded); });
  if (copy > 1) {
    name += u" (";
    AppendNumber(&name, static_cast<unsigned>(copy), false);
    name += u')';
  }
  name += FormatExtension(format);
  return name;
}
