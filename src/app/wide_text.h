// Bounded UTF-16 text operations on fixed-size buffers.
//
// Every capacity counts char16_t units, the terminating NUL included, as the
// program's buffers are sized. None of them writes past the capacity, and on
// failure the destination holds an empty text (as the _s functions leave it).
#pragma once

#include <cstddef>

// Length of a NUL-terminated text, looking at most at `limit` units; returns
// `limit` when no NUL is among them.
std::size_t WideLength(const char16_t* text, std::size_t limit);

// wcscpy_s: copies all of `source`; fails when it does not fit.
bool WideCopy(char16_t* destination, std::size_t capacity, const char16_t* source);

// wcsncpy_s: copies the first `count` units of `source` (fewer when it ends
// earlier) and terminates; fails when they do not fit.
bool WideCopyCount(char16_t* destination, std::size_t capacity, const char16_t* source,
                   std::size_t count);

// wcscat_s: appends all of `source`; fails, leaving an empty text, when the
// result would not fit or `destination` holds no NUL within its capacity.
bool WideAppend(char16_t* destination, std::size_t capacity, const char16_t* source);

// wcsstr != NULL.
bool WideContains(const char16_t* text, const char16_t* part);

// The two texts are equal, unit for unit.
bool WideEqual(const char16_t* a, const char16_t* b);

// Fills `count` units with zeros.
void WideZero(char16_t* buffer, std::size_t count);
