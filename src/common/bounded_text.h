// UTF-16 text in the program's fixed-size buffers, on the standard library's
// char_traits and string_view.
//
// Every capacity counts char16_t units, the terminating NUL included. Nothing
// is written past it: a copy or append that does not fit fails and leaves an
// empty text, as the runtime's wcscpy_s and wcscat_s leave it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// The text's length, looking at no more than `limit` units; `limit` when no
// NUL is among them.
inline std::size_t BoundedLength(const char16_t* text, std::size_t limit) {
  return static_cast<std::size_t>(std::find(text, text + limit, u'\0') - text);
}

// Copies `source` and a NUL into `destination`.
inline bool CopyText(char16_t* destination, std::size_t capacity, std::u16string_view source) {
  if (capacity == 0) return false;
  if (source.size() >= capacity) {
    destination[0] = u'\0';
    return false;
  }
  std::char_traits<char16_t>::copy(destination, source.data(), source.size());
  destination[source.size()] = u'\0';
  return true;
}

// Appends `source`; fails too when `destination` holds no NUL within its
// capacity.
inline bool AppendText(char16_t* destination, std::size_t capacity, std::u16string_view source) {
  const std::size_t length = BoundedLength(destination, capacity);
  if (length == capacity || source.size() >= capacity - length) {
    if (capacity > 0) destination[0] = u'\0';
    return false;
  }
  std::char_traits<char16_t>::copy(destination + length, source.data(), source.size());
  destination[length + source.size()] = u'\0';
  return true;
}
