#include "app/wide_text.h"

#include <cstring>

std::size_t WideLength(const char16_t* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != u'\0') ++length;
  return length;
}

bool WideCopy(char16_t* destination, std::size_t capacity, const char16_t* source) {
  return WideCopyCount(destination, capacity, source, static_cast<std::size_t>(-1));
}

bool WideCopyCount(char16_t* destination, std::size_t capacity, const char16_t* source,
                   std::size_t count) {
  if (capacity == 0) return false;
  std::size_t i = 0;
  for (; i < count && source[i] != u'\0'; ++i) {
    if (i + 1 >= capacity) {
      destination[0] = u'\0';
      return false;
    }
    destination[i] = source[i];
  }
  destination[i] = u'\0';
  return true;
}

bool WideAppend(char16_t* destination, std::size_t capacity, const char16_t* source) {
  const std::size_t start = WideLength(destination, capacity);
  if (start == capacity) {
    if (capacity > 0) destination[0] = u'\0';
    return false;
  }
  if (!WideCopy(destination + start, capacity - start, source)) {
    destination[0] = u'\0';
    return false;
  }
  return true;
}

bool WideContains(const char16_t* text, const char16_t* part) {
  const std::size_t partLength = WideLength(part, static_cast<std::size_t>(-1));
  for (; *text != u'\0'; ++text) {
    std::size_t i = 0;
    while (i < partLength && text[i] == part[i]) ++i;
    if (i == partLength) return true;
  }
  return partLength == 0;
}

bool WideEqual(const char16_t* a, const char16_t* b) {
  for (; *a == *b; ++a, ++b) {
    if (*a == u'\0') return true;
  }
  return false;
}

void WideZero(char16_t* buffer, std::size_t count) { std::memset(buffer, 0, count * sizeof(char16_t)); }
