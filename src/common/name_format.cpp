#include "common/name_format.h"

#include "common/app_state.h"

namespace {

enum Field { kYear, kMonth, kDay, kHour, kMinute, kSecond };

struct Token {
  std::u16string_view name;
  Field field;
  bool padded;    // to two digits
  std::size_t widest;  // digits at most (a SYSTEMTIME year has up to five)
};

constexpr Token kTokens[] = {
    {u"yyyy", kYear, false, 5},  {u"M", kMonth, false, 2},   {u"MM", kMonth, true, 2},  {u"d", kDay, false, 2},
    {u"dd", kDay, true, 2},      {u"H", kHour, false, 2},    {u"HH", kHour, true, 2},   {u"m", kMinute, false, 2},
    {u"mm", kMinute, true, 2},   {u"ss", kSecond, true, 2},
};

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

// Each level between backslashes names a folder (or, last, the file):
// none is empty, "." or "..", or ends with a dot or a space, which Windows
// would drop.
bool LevelsAreNames(std::u16string_view format) {
  for (std::size_t start = 0;;) {
    const std::size_t end = format.find(u'\\', start);
    const std::u16string_view level = format.substr(start, end == std::u16string_view::npos ? end : end - start);
    if (level.empty() || level == u"." || level == u".." || level.back() == u'.' || level.back() == u' ') return false;
    if (end == std::u16string_view::npos) return true;
    start = end + 1;
  }
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
  if (nameFormat.find(u"{ss}") == std::u16string_view::npos) return NameFormatFault::kEmptyOrNoSeconds;
  std::size_t longest = 0;
  if (!Walk(nameFormat, [&](char16_t) { ++longest; }, [&](const Token& token) { longest += token.widest; })) {
    return NameFormatFault::kBadCharacterOrToken;
  }
  if (!LevelsAreNames(nameFormat)) return NameFormatFault::kBadLevel;
  if (nameFormat.size() >= kNameFormatChars ||
      folder.size() + longest + kNumberAndExtensionChars >= static_cast<std::size_t>(kFilePathChars)) {
    return NameFormatFault::kTooLong;
  }
  return NameFormatFault::kNone;
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
  name += format == kFormatPng ? u".png" : u".bmp";
  return name;
}
