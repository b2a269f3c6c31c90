// How saved files are named: a template of date tokens, where a backslash
// makes sub-folders below the save folder. The default gives the names the
// program has always given, 2026-3-4_5-6-07.bmp, with only the seconds padded.
//
// Tokens: {yyyy} the year; {M} {MM} the month; {d} {dd} the day; {H} {HH}
// the hour; {m} {mm} the minute; {ss} the second. The doubled ones are
// padded with a zero to two digits; {ss} always is. The extension comes from
// the format, never from the template.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/setting_values.h"
#include "platform/platform.h"

// The longest name of a save's temporary file, .tarnwick-<process id>.tmp,
// which lives in the folder the file goes to.
constexpr std::size_t kTemporaryNameChars = 24;

enum class NameFormatFault {
  kNone,
  kEmptyOrNoSeconds,     // names stay unique only through the second and its numbering
  kBadCharacterOrToken,  // a character Windows forbids in a name, or braces round no token
  kBadLevel,             // an empty level, "." or "..", one ending with a dot or a space
  kTooLong,              // over 100 units, or the longest path it gives passes the save's limit
};

// What is wrong with `nameFormat` for saves into `folder` (a backslash at its
// end is counted whether it is typed or not); the first fault, in the order
// above.
NameFormatFault CheckNameFormat(std::u16string_view nameFormat, std::u16string_view folder);
// The settings dialog's refusal for `fault`; null for kNone.
const char16_t* NameFormatFaultText(NameFormatFault fault);

// The extension a file of `format` gets: .bmp, .png, .jpg.
const char16_t* FormatExtension(std::uint32_t format);

// The path below the save folder of the `copy`th picture of the second of
// `time` (1 the plain name, 2 " (2)" and so on), with the extension of
// `format`: the template's tokens filled in, its backslashes kept. Empty for
// a template that CheckNameFormat refuses.
std::u16string MakeSaveFileName(const platform::LocalTime& time, std::u16string_view nameFormat, int copy,
                                std::uint32_t format);
