// Every layout a clipboard bitmap can take, put on the real clipboard the
// ways programs put it there (CF_DIB itself, CF_DIBV5 and a device-dependent
// CF_BITMAP that the platform converts), saved by the real save as BMP and
// as PNG, each decoded by ImageMagick and compared pixel for pixel with the
// image that was put there. Each test prints its rows of the matrix.
//
// TARNWICK_DUMP_BLOCKS=<folder> also writes each CF_DIB block the save read
// into that folder: that is where tests/fuzz/corpus comes from.
#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "save_now.h"
#include "contract/contract_environment.h"
#include "dib_encoder.h"
#include "support/image_decoder.h"
#include "win32_clipboard.h"
#include "win32_files.h"

namespace {

using testsupport::DecodedImage;
using testsupport::DibLayoutRecipe;
using testsupport::EncodedDib;
using Bytes = std::vector<std::uint8_t>;

// An odd width, so that every depth pads its rows.
constexpr int kWidth = 13;
constexpr int kHeight = 7;

DibLayoutRecipe Indexed(const std::string& name, std::uint16_t bits, std::uint32_t clrUsed) {
  DibLayoutRecipe s;
  s.name = name;
  s.bitCount = bits;
  s.clrUsed = clrUsed;
  return s;
}

DibLayoutRecipe Rgb(const std::string& name, std::uint16_t bits) {
  DibLayoutRecipe s;
  s.name = name;
  s.bitCount = bits;
  return s;
}

DibLayoutRecipe Masked(const std::string& name, std::uint16_t bits, std::uint32_t red, std::uint32_t green,
                     std::uint32_t blue, std::uint32_t alpha = 0) {
  DibLayoutRecipe s;
  s.name = name;
  s.bitCount = bits;
  s.compression = 3;
  s.masks[0] = red;
  s.masks[1] = green;
  s.masks[2] = blue;
  s.masks[3] = alpha;
  return s;
}

DibLayoutRecipe Header(std::uint32_t size, DibLayoutRecipe s) {
  s.headerSize = size;
  return s;
}
DibLayoutRecipe TopDown(DibLayoutRecipe s) {
  s.topDown = true;
  return s;
}
DibLayoutRecipe NoSizeImage(DibLayoutRecipe s) {
  s.sizeImageZero = true;
  return s;
}
DibLayoutRecipe Compressed(std::uint32_t compression, DibLayoutRecipe s) {
  s.compression = compression;
  return s;
}

// The layouts a program may put as CF_DIB; every one must save faithfully.
std::vector<DibLayoutRecipe> SavedLayouts() {
  return {
      Indexed("1 bpp, 2 colours", 1, 0),
      TopDown(Indexed("1 bpp, 2 colours, top-down", 1, 0)),
      Indexed("4 bpp, 16 colours", 4, 0),
      Indexed("4 bpp, 6 colours (biClrUsed 6)", 4, 6),
      Indexed("8 bpp, 256 colours", 8, 0),
      Indexed("8 bpp, 20 colours (biClrUsed 20)", 8, 20),
      TopDown(NoSizeImage(Indexed("8 bpp, top-down, biSizeImage 0", 8, 0))),
      Compressed(1, Indexed("RLE8, 256 colours", 8, 0)),
      Compressed(1, Indexed("RLE8, 9 colours", 8, 9)),
      Compressed(2, Indexed("RLE4, 16 colours", 4, 0)),
      Rgb("16 bpp BI_RGB (555)", 16),
      Masked("16 bpp BITFIELDS 555", 16, 0x7C00, 0x03E0, 0x001F),
      Masked("16 bpp BITFIELDS 565", 16, 0xF800, 0x07E0, 0x001F),
      Rgb("24 bpp", 24),
      NoSizeImage(Rgb("24 bpp, biSizeImage 0", 24)),
      TopDown(Rgb("24 bpp, top-down", 24)),
      Rgb("32 bpp BI_RGB", 32),
      Masked("32 bpp BITFIELDS 888", 32, 0x00FF0000, 0x0000FF00, 0x000000FF),
      TopDown(NoSizeImage(Masked("32 bpp BITFIELDS 888, top-down, biSizeImage 0", 32, 0xFF0000, 0xFF00, 0xFF))),
      Masked("32 bpp BITFIELDS, red and blue swapped", 32, 0x000000FF, 0x0000FF00, 0x00FF0000),
      Masked("32 bpp BITFIELDS 10-10-10", 32, 0x3FF00000, 0x000FFC00, 0x000003FF),
      Header(52, Masked("52-byte header, 32 bpp 888", 32, 0xFF0000, 0xFF00, 0xFF)),
      Header(52, Masked("52-byte header, 16 bpp 565", 16, 0xF800, 0x07E0, 0x001F)),
      Header(56, Masked("56-byte header, 32 bpp 888 + alpha", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
      Header(108, Masked("V4 header, 32 bpp, red and blue swapped", 32, 0xFF, 0xFF00, 0xFF0000)),
      Header(124, Rgb("V5 header, 24 bpp", 24)),
      Header(124, Masked("V5 header, 16 bpp 565", 16, 0xF800, 0x07E0, 0x001F)),
      Header(124, Indexed("V5 header, 8 bpp, 20 colours", 8, 20)),
      TopDown(Header(124, Masked("V5 header, 32 bpp 888 + alpha, top-down", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000))),
  };
}

struct Row {
  std::string route;
  std::string layout;
  std::string block;   // what the save read
  std::string result;  // "pass", or what went wrong
  bool pass = false;
};

void PrintMatrix(const char* title, const std::vector<Row>& rows) {
  std::printf("\n%s\n%-10s %-50s %-44s %s\n", title, "route", "layout", "CF_DIB the save read", "result");
  for (const Row& r : rows) {
    const std::string result = !r.pass ? "FAIL: " + r.result : r.result == "pass" ? "pass" : "pass - " + r.result;
    std::printf("%-10s %-50s %-44s %s\n", r.route.c_str(), r.layout.c_str(), r.block.c_str(), result.c_str());
  }
  std::fflush(stdout);
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::string Describe(const Bytes& block) {
  if (block.size() < 40) return block.empty() ? "none" : std::to_string(block.size()) + " bytes";
  static const char* const kCompression[] = {"BI_RGB", "RLE8", "RLE4", "BITFIELDS", "JPEG", "PNG"};
  const std::uint32_t compression = U32(block, 16);
  char text[120];
  std::snprintf(text, sizeof text, "biSize %u, %u bpp, %s, %u bytes", U32(block, 0), block[14] | block[15] << 8,
                compression < 6 ? kCompression[compression] : "other", static_cast<unsigned>(block.size()));
  return text;
}

// Writes the block for the seed corpus when TARNWICK_DUMP_BLOCKS names a folder.
void DumpBlock(const std::string& route, const std::string& layout, const Bytes& block) {
  const char* folder = std::getenv("TARNWICK_DUMP_BLOCKS");
  if (folder == nullptr || block.empty()) return;
  std::string name = route + "-" + layout;
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '-';
  }
  const std::string path = std::string(folder) + "\\" + name + ".dib";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
  }
}

std::string Hex(const std::uint8_t* rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return text;
}

// "pass", or how the decoded file differs from the expected image; a channel
// may be off by `tolerance`.
std::string Compare(const DecodedImage& expected, const DecodedImage& decoded, int tolerance) {
  if (decoded.width != expected.width || decoded.height != expected.height) {
    return "decoded " + std::to_string(decoded.width) + "x" + std::to_string(decoded.height);
  }
  int differing = 0;
  std::string first;
  for (std::size_t i = 0; i + 2 < expected.rgb.size(); i += 3) {
    bool same = true;
    for (int c = 0; c < 3; ++c) same = same && std::abs(expected.rgb[i + c] - decoded.rgb[i + c]) <= tolerance;
    if (same) continue;
    if (differing++ == 0) {
      const int pixel = static_cast<int>(i / 3);
      first = " first at (" + std::to_string(pixel % expected.width) + "," + std::to_string(pixel / expected.width) +
              "): " + Hex(&decoded.rgb[i]) + " for " + Hex(&expected.rgb[i]);
    }
  }
  if (differing == 0) return "pass";
  return std::to_string(differing) + " of " + std::to_string(expected.width * expected.height) + " pixels differ," + first;
}

class LayoutMatrix : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::ImageDecoderAvailable()) GTEST_SKIP() << "no ImageMagick here";
    const std::u16string folder = contract::Current().NewScratchFolder();
    std::fill_n(g_szPath, kPathChars, u'\0');
    ASSERT_TRUE(CopyText(g_szPath, kPathChars, folder.c_str()));
  }

  // Saves what the clipboard holds now and compares the file with `expected`.
  Row SaveAndCompare(const std::string& route, const std::string& layout, const DecodedImage& expected,
                     int tolerance = 0) {
    Row row{route, layout, "", "", false};
    const Bytes block = testsupport::ReadDibFromRealClipboard();
    row.block = Describe(block);
    DumpBlock(route, layout, block);
    const testsupport::SavedNow bmp = testsupport::SaveNow();
    saved = bmp.result;
    if (saved != SAVE_OK) {
      row.result = "save returned " + std::to_string(saved);
      return row;
    }
    DecodedImage decoded;
    if (!testsupport::DecodeImage(bmp.file, &decoded)) {
      row.result = "ImageMagick cannot read the file";
      return row;
    }
    row.result = Compare(expected, decoded, tolerance);
    if (row.result == "pass") row.result = SavePngAndCompare(block, expected, tolerance);
    row.pass = row.result == "pass";
    if (row.pass && tolerance != 0) row.result = "channels within " + std::to_string(tolerance);
    return row;
  }

  // The same picture saved as PNG shows the same pixels; it has an alpha
  // channel (colour type 6) only when its header declares an alpha mask.
  std::string SavePngAndCompare(const Bytes& block, const DecodedImage& expected, int tolerance) {
    g_dwFormat = kFormatPng;
    const testsupport::SavedNow saved = testsupport::SaveNow();
    g_dwFormat = kFormatBmp;
    Bytes png;
    if (saved.result != SAVE_OK || !testsupport::ReadWholeFile(reinterpret_cast<const wchar_t*>(saved.file.c_str()), &png) ||
        png.size() < 26) {
      return "PNG save returned " + std::to_string(saved.result);
    }
    const bool alphaMask = U32(block, 0) >= 108 && U32(block, 16) == 3 && U32(block, 52) != 0;
    if (png[25] != 2 && !(png[25] == 6 && alphaMask)) return "PNG colour type " + std::to_string(png[25]);
    DecodedImage decoded;
    if (!testsupport::DecodeImage(saved.file, &decoded)) return "ImageMagick cannot read the PNG";
    const std::string compared = Compare(expected, decoded, tolerance);
    return compared == "pass" ? compared : "PNG: " + compared;
  }

  // The save folder holds no file: nothing saved, no temporary file left.
  static bool NoFileSaved() {
    WIN32_FIND_DATAW found;
    const std::wstring pattern = std::wstring(reinterpret_cast<const wchar_t*>(g_szPath)) + L"*";
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return true;
    bool none = true;
    do {
      none = none && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return none;
  }

  SaveResult saved = SAVE_OK;
};

TEST_F(LayoutMatrix, EveryLayoutPutAsCfDibSavesWhatItShows) {
  std::vector<Row> rows;
  unsigned seed = 1;
  for (const DibLayoutRecipe& recipe : SavedLayouts()) {
    const EncodedDib dib = testsupport::EncodeDib(recipe, kWidth, kHeight, seed++);
    ASSERT_TRUE(testsupport::PutDibOnRealClipboard(dib.block)) << recipe.name;
    rows.push_back(SaveAndCompare("CF_DIB", recipe.name, dib.expected, dib.tolerance));
    EXPECT_TRUE(rows.back().pass) << recipe.name << ": " << rows.back().result;
  }
  PrintMatrix("Layout matrix: CF_DIB as the program put it", rows);
}

TEST_F(LayoutMatrix, CfDibV5ConvertedByThePlatformSavesWhatItShowsOrIsRefused) {
  std::vector<Row> rows;
  unsigned seed = 100;
  for (DibLayoutRecipe recipe : SavedLayouts()) {
    if (recipe.headerSize != 40) continue;  // the header variants are CF_DIB layouts of their own
    recipe.headerSize = 124;
    const EncodedDib dib = testsupport::EncodeDib(recipe, kWidth, kHeight, seed++);
    ASSERT_TRUE(testsupport::PutDibV5OnRealClipboard(dib.block)) << recipe.name;
    Row row = SaveAndCompare("CF_DIBV5", recipe.name, dib.expected, dib.tolerance);

    // A platform whose CF_DIB leaves out the colour table (Wine does) gives a
    // block shorter than its header claims: refusing it is the right answer.
    const std::size_t tableAndPixels = dib.block.size() - 124;
    const Bytes platformBlock = testsupport::ReadDibFromRealClipboard();
    if (recipe.bitCount <= 8 && saved == SAVE_ERR_BITMAP_DATA && platformBlock.size() < 40 + tableAndPixels) {
      row.pass = true;
      row.result = "refused (7): the platform's CF_DIB has no colour table";
      EXPECT_TRUE(NoFileSaved()) << "a refused save leaves no file";
    }
    rows.push_back(row);
    EXPECT_TRUE(row.pass) << recipe.name << ": " << row.result;
  }
  PrintMatrix("Layout matrix: CF_DIBV5, CF_DIB made by the platform", rows);
}

// A device-dependent bitmap of `depth` bits showing `image`.
HBITMAP MakeDeviceBitmap(int depth, const DecodedImage& image) {
  HBITMAP bitmap = CreateBitmap(image.width, image.height, 1, depth, nullptr);
  if (bitmap == nullptr) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = image.width;
  info.bmiHeader.biHeight = -image.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<std::uint8_t> bgrx;
  for (std::size_t i = 0; i < image.rgb.size(); i += 3) {
    bgrx.insert(bgrx.end(), {image.rgb[i + 2], image.rgb[i + 1], image.rgb[i], 0});
  }
  HDC screen = GetDC(nullptr);
  const int rows = SetDIBits(screen, bitmap, 0, image.height, bgrx.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (rows != image.height) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

// An image in colours that a device bitmap of `depth` bits holds exactly: the
// two of monochrome, the 16 standard colours of the palettes, 555 at 16 bits.
DecodedImage DeviceImage(int depth, unsigned seed) {
  if (depth >= 16) {
    return testsupport::EncodeDib(depth == 16 ? Rgb("555", 16) : Rgb("888", 24), kWidth, kHeight, seed).expected;
  }
  static const std::uint32_t kStandard[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                              0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                              0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  DecodedImage image;
  image.width = kWidth;
  image.height = kHeight;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const unsigned pick = (x * 7 + y * 3 + seed) % 16;
      const std::uint32_t colour = depth == 1 ? (pick % 2 ? 0xFFFFFF : 0) : kStandard[pick];
      image.rgb.insert(image.rgb.end(), {static_cast<std::uint8_t>(colour >> 16),
                                         static_cast<std::uint8_t>(colour >> 8), static_cast<std::uint8_t>(colour)});
    }
  }
  return image;
}

TEST_F(LayoutMatrix, DeviceBitmapConvertedByThePlatformSavesWhatItShows) {
  std::vector<Row> rows;
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    const std::string name = "device bitmap, " + std::to_string(depth) + " bpp";
    const DecodedImage image = DeviceImage(depth, static_cast<unsigned>(depth));
    HBITMAP bitmap = MakeDeviceBitmap(depth, image);
    ASSERT_NE(nullptr, bitmap) << name;
    ASSERT_TRUE(testsupport::PutBitmapOnRealClipboard(bitmap)) << name;
    rows.push_back(SaveAndCompare("CF_BITMAP", name, image));
    EXPECT_TRUE(rows.back().pass) << name << ": " << rows.back().result;
  }
  PrintMatrix("Layout matrix: CF_BITMAP (device-dependent), CF_DIB made by the platform", rows);
}

TEST_F(LayoutMatrix, LayoutsThatCannotBeSavedFaithfullyAreRefusedAndLeaveNoFile) {
  struct Refused {
    std::string name;
    Bytes block;
  };
  std::vector<Refused> cases = {
      {"24 bpp declared BI_JPEG", testsupport::EncodeDib(Compressed(4, Rgb("jpeg", 24)), kWidth, kHeight).block},
      {"24 bpp declared BI_PNG", testsupport::EncodeDib(Compressed(5, Rgb("png", 24)), kWidth, kHeight).block},
      {"8 bpp, colour table cut short", testsupport::EncodeDib(Indexed("8", 8, 0), kWidth, kHeight).block},
      {"32 bpp, last row cut short", testsupport::EncodeDib(Rgb("32", 32), kWidth, kHeight).block},
  };
  cases[2].block.resize(40 + 100);
  cases[3].block.pop_back();

  std::vector<Row> rows;
  for (const Refused& c : cases) {
    ASSERT_TRUE(testsupport::PutDibOnRealClipboard(c.block)) << c.name;
    Row row{"CF_DIB", c.name, Describe(testsupport::ReadDibFromRealClipboard()), "", false};
    const testsupport::SavedNow saved = testsupport::SaveNow();
    const SaveResult result = saved.result;
    row.pass = result == SAVE_ERR_BITMAP_DATA && NoFileSaved();
    row.result = row.pass ? "refused (7), no file" : "save returned " + std::to_string(result);
    rows.push_back(row);
    EXPECT_TRUE(row.pass) << c.name << ": " << row.result;
  }
  PrintMatrix("Layout matrix: refused", rows);
}

}  // namespace
