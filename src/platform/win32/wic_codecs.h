// The image codecs behind the seam: Windows Imaging Component, reached
// through COM (windowscodecs.dll, part of Windows).
#pragma once

#include <windows.h>
#include <wincodec.h>

#include "platform/platform.h"

namespace platform {

class WicCodecs : public ImageCodecs {
 public:
  bool EncodePng(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* png) override;
  bool EncodeJpeg(const ByteRun* runs, std::size_t count, bool keepAlpha, std::vector<std::uint8_t>* jpeg) override;
  bool DecodesPng(const std::uint8_t* png, std::size_t size, std::uint32_t width, std::uint32_t height) override;

 private:
  // Row filter "Up": on screen content the fastest of the seven at 1080p and
  // 4K and within 4 % of the fastest at 8K, whose file is a third larger; its
  // files the smallest, or within 4 % of the adaptive choice's, which takes
  // 1.3 to 2 times as long (docs/benchmarks.md).
  WICPngFilterOption filter_ = WICPngFilterUp;
};

}  // namespace platform
