// For context: how long an ordinary PNG encoder (ImageMagick) takes on this
// machine for the same picture, since comparable tools save PNG.
#pragma once

#include <string>

#include "measure.h"
#include "picture.h"

namespace bench {

// Writes `bmpFile` into `folder` and encodes it as PNG `runs` times; the
// encoder's own time in ms. Count 0 when there is no encoder here. Under Wine
// it runs the machine's /usr/bin/convert, timed on the Linux side (Wine does
// not wait for Linux processes); on Windows, magick.exe from PATH.
// *pngBytes, when given, receives the size of the PNG it wrote.
Summary PngEncodeMs(const Bytes& bmpFile, const std::wstring& folder, int runs, std::size_t* pngBytes = nullptr);

}  // namespace bench
