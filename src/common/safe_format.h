// Bounded wide-character formatting into a fixed buffer.
//
// SafeFormat(buffer, count, format, arguments...) writes the formatted text and
// its NUL into a buffer of `count` units and returns the number of units
// written, the NUL not counted. When the text and its NUL do not fit, or the
// format is not understood, it returns -1 and leaves an empty text. Callers
// treat 0 or less as failure, so an empty result fails too.
//
// Understood conversions: %s (a UTF-16 text), %d (an int), %0Nd and %Nd (an
// int, at least N digits wide, zero- or space-padded), and %% (a percent sign).
// The arguments are checked against the conversions: a mismatch fails.
#pragma once

#include <cstddef>

struct FormatArgument {
  enum class Kind { kNone, kText, kNumber };
  Kind kind = Kind::kNone;
  const char16_t* text = nullptr;
  int number = 0;

  FormatArgument() = default;
  FormatArgument(const char16_t* value) : kind(Kind::kText), text(value) {}  // NOLINT: implicit by design
  FormatArgument(int value) : kind(Kind::kNumber), number(value) {}          // NOLINT: implicit by design
};

int SafeFormatArguments(char16_t* buffer, std::size_t count, const char16_t* format,
                        const FormatArgument* arguments, std::size_t argumentCount);

template <typename... Arguments>
int SafeFormat(char16_t* buffer, std::size_t count, const char16_t* format, Arguments... arguments) {
  // The trailing empty argument keeps the array non-empty when there are none.
  const FormatArgument list[] = {FormatArgument(arguments)..., FormatArgument()};
  return SafeFormatArguments(buffer, count, format, list, sizeof...(Arguments));
}
