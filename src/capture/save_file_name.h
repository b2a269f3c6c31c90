#pragma once

#include <cstddef>

#include "platform/platform.h"

// Writes the file name for a save at `time`, e.g. 2026-3-4_5-6-07.bmp (only
// the seconds are padded), into `buffer` of `count` units. Returns what
// SafeFormat returns: the name's length, or 0 or less on failure.
int MakeSaveFileName(const platform::LocalTime& time, char16_t* buffer, std::size_t count);
