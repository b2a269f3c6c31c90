// Decodes an image file with ImageMagick into plain RGB pixels, top row first.
// Under Wine it runs the machine's own /usr/bin/convert; on Windows it runs
// magick.exe from PATH. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3, top row first
};

// False when no decoder is available here (the caller skips).
bool ImageDecoderAvailable();
// False when the decoder could not read the file.
bool DecodeImage(const std::u16string& path, DecodedImage* image);

// The RGB pixels a bottom-up or top-down BI_RGB DIB block of 24 or 32 bits
// shows, top row first.
DecodedImage PixelsOfRgbDib(const std::vector<std::uint8_t>& block, std::uint32_t pixelOffset);

}  // namespace testsupport
