// Saves a picture as a BMP or PNG file named after the local time, in a
// folder. The file is written under a hidden temporary name, flushed, and
// only then given its final name, which it never takes from another file.
#pragma once

#include <cstdint>

#include "capture/save_result.h"
#include "capture/take_picture.h"

// Writes a picture a press took into `folder`, as a file of `format`
// (kFormatBmp or kFormatPng) named after `time`, the press's. One save at a
// time.
SaveResult SaveTakenPicture(const char16_t* folder, std::uint32_t format, const platform::LocalTime& time,
                            const TakenPicture& picture);

// Writes the clipboard's bitmap into `folder` while holding the clipboard:
// for a picture too large to copy.
SaveResult SaveStraightFromClipboard(const char16_t* folder, std::uint32_t format, const platform::LocalTime& time);

// The whole save of the clipboard's bitmap into g_szPath as g_dwFormat, on
// the calling thread: takes the picture, then writes it.
SaveResult SaveClipboardBitmap();

// Start-up: empties the save scratch and registers CloseSaveHandles to run at
// process exit.
void InitSaveState();

// Process-exit safety net: closes (and discards) an output file a save left
// open, then closes the clipboard.
void CloseSaveHandles();
