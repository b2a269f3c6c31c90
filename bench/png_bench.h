// PNG: the real program's PNG save from hot key to file on a screen-like
// picture, encoded or, beside a browser-like "PNG" of it, as copied; its
// file against the BMP's and ImageMagick's default encode of the same
// picture.
#pragma once

#include <cstddef>
#include <string>

#include "measure.h"

namespace bench {

struct PngFigures {
  Summary pressToFile;           // Tarnwick.exe with PNG chosen, ms
  Summary copiedToFile;          // the same with the picture's "PNG" beside it, written as it is, ms
  std::size_t pngBytes = 0;      // its file
  std::size_t bmpBytes = 0;      // the BMP of the same picture
  Summary magick;                // ImageMagick's default encode, ms
  std::size_t magickBytes = 0;   // its file
  // Every PNG the program saved was decoded and compared with the picture.
  int filesChecked = 0;
  int filesCorrect = 0;
  std::string error;
};

// `folder` ends with a backslash; files are deleted once checked.
PngFigures MeasurePng(int width, int height, int runs, int encodeRuns, const std::wstring& folder);

}  // namespace bench
