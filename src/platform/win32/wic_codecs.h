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

  // The PNG encoder's row filter. The program keeps the default; the
  // benchmark compares the others.
  void set_filter(WICPngFilterOption filter) { filter_ = filter; }

 private:
  // Row filter "Up": on screen content the fastest of the seven at every size
  // measured, and its files no larger than the adaptive choice's (script/bench).
  WICPngFilterOption filter_ = WICPngFilterUp;
};

}  // namespace platform
