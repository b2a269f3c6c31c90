// How saved files are named: a template of date tokens, where a backslash
// makes sub-folders. The default gives the names the program has always
// given, 2026-3-4_5-6-07.bmp, with only the seconds padded.
//
// Tokens: {yyyy} the year; {M} {MM} the month; {d} {dd} the day; {H} {HH}
// the hour; {m} {mm} the minute; {ss} the second. The doubled ones are
// padded with a zero to two digits; {ss} always is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

// A template holds at most 100 units; the buffers take its NUL too.
constexpr std::size_t kNameFormatChars = 101;
inline constexpr char16_t kDefaultNameFormat[] = u"{yyyy}-{M}-{d}_{H}-{m}-{ss}";

enum class NameFormatFault {
  kNone,
  kEmptyOrNoSeconds,     // names stay unique only through the second and its numbering
  kBadCharacterOrToken,  // a character Windows forbids in a name, or braces round no token
  kBadLevel,             // an empty level, "." or "..", one ending with a dot or a space
  kTooLong,              // over 100 units, or the longest path it gives passes the save's limit
};

// What is wrong with `nameFormat` for saves into `folder` (ending with a
// backslash); the first fault, in the order above.
NameFormatFault CheckNameFormat(std::u16string_view nameFormat, std::u16string_view folder);

// The path below the save folder of the `copy`th picture of the second of
// `time` (1 the plain name, 2 " (2)" and so on), with the extension of
// `format` (.bmp, .png): the template's tokens filled in, its backslashes
// kept. Empty for a template that CheckNameFormat refuses.
std::u16string MakeSaveFileName(const platform::LocalTime& time, std::u16string_view nameFormat, int copy,
                                std::uint32_t format);
