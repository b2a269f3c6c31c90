// The bytes a save writes: the BMP file assembled around the clipboard's
// pixels, that picture encoded as a PNG or a JPEG by the platform's
// encoders, or a whole file in memory (the clipboard's own PNG, or an
// encoder's output).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/bmp_pieces.h"
#include "common/setting_values.h"
#include "platform/platform.h"

// A file in up to three runs of bytes, one after the other.
struct PictureBytes {
  std::uint32_t format = kFormatBmp;  // what the bytes are: kFormatBmp, kFormatPng or kFormatJpg
  platform::ByteRun runs[3] = {};
  std::size_t count = 0;
};

// The BMP file of the pieces: the file header, the bitmap info and the
// block's pixels, nothing copied.
PictureBytes BmpFileBytes(const BmpPieces& pieces, const std::uint8_t* block);

// A whole file of `format` in one run.
PictureBytes FileBytes(std::uint32_t format, const std::uint8_t* bytes, std::size_t size);

// The picture of the pieces encoded as `format` (kFormatPng or kFormatJpg)
// into *out: its alpha kept (a JPEG's laid on white) when DibAlphaUsed says
// it is real, else opaque. False when the encoder refuses it or memory runs
// short.
bool EncodeDibPicture(platform::ImageCodecs& codecs, std::uint32_t format, const BmpPieces& pieces,
                      const std::uint8_t* block, std::vector<std::uint8_t>* out);
