// The bytes a save writes: the BMP file assembled around the clipboard's
// pixels, or that same picture encoded as a PNG by the platform's encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "capture/bmp_pieces.h"
#include "common/app_state.h"
#include "platform/platform.h"

// A file in up to three runs of bytes, one after the other.
struct PictureBytes {
  std::uint32_t format = kFormatBmp;  // what the bytes are: kFormatBmp or kFormatPng
  platform::ByteRun runs[3] = {};
  std::size_t count = 0;
};

// The BMP file of the pieces: the file header, the bitmap info and the
// block's pixels, nothing copied.
PictureBytes BmpFileBytes(const BmpPieces& pieces, const std::uint8_t* block);

// True when the picture's alpha is worth keeping: a V4 or V5 header that
// declares BI_BITFIELDS with an alpha mask, and some pixel whose alpha is not
// 0. Every other picture is saved opaque: a fourth byte without a mask is no
// alpha, and a picture whose every alpha is 0 would be saved invisible.
bool PictureKeepsAlpha(const BmpPieces& pieces, const std::uint8_t* block);

// The picture of the pieces as a PNG, in *png. False when the encoder refuses
// it or memory runs short.
bool EncodePngPicture(platform::ImageCodecs& codecs, const BmpPieces& pieces, const std::uint8_t* block,
                      std::vector<std::uint8_t>* png);
