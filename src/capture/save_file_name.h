#pragma once

#include <cstddef>
#include <cstdint>

#include "common/app_state.h"
#include "platform/platform.h"

// Writes the file name for a save at `time` into `buffer` of `count` units:
// 2026-3-4_5-6-07.bmp (only the seconds are padded) for the first picture of
// that second, 2026-3-4_5-6-07 (2).bmp for the second, and so on; .png for
// kFormatPng, .jpg for kFormatJpg. Returns what SafeFormat returns: the name's length, or 0 or
// less on failure.
int MakeSaveFileName(const platform::LocalTime& time, char16_t* buffer, std::size_t count, int copy = 1,
                     std::uint32_t format = kFormatBmp);
