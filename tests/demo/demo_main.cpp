// What script/run shows where there is no display: it starts Tarnwick, puts
// a sample picture on the clipboard, presses the hot key, prints the saved
// file's path, size and dimensions, and ends the program through its exit
// command. Exits 0 when all of that worked.
#include <algorithm>
#include <cstdio>

#include "dib_blocks.h"
#include "driver.h"
#include "win32_clipboard.h"

namespace e2e {
namespace {

// A small picture worth looking at: a colour gradient, 24 bits per pixel.
Bytes SamplePicture(int width, int height) {
  const std::uint32_t stride = testsupport::RowStride(width, 24);
  Bytes block = testsupport::InfoHeader(width, height, 24, 0, stride * height);
  block.resize(40 + stride * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &block[40 + y * stride + x * 3];
      p[0] = static_cast<std::uint8_t>(255 * y / height);        // blue
      p[1] = static_cast<std::uint8_t>(255 * x / width);         // green
      p[2] = static_cast<std::uint8_t>(255 - 255 * x / width);   // red
    }
  }
  return block;
}

int RunDemo() {
  const std::wstring folder = DesktopFolder() + L"screenshots\\";
  const auto before = BitmapsIn(folder);

  TarnwickProcess tarnwick;
  if (!tarnwick.Start()) {
    std::printf("Tarnwick did not start\n");
    return 1;
  }
  std::printf("Tarnwick is running (process %lu); its tray icon is in the notification area.\n", tarnwick.Pid());

  const int width = 320, height = 200;
  if (!testsupport::PutDibOnRealClipboard(SamplePicture(width, height))) {
    std::printf("could not put the sample picture on the clipboard\n");
    return 1;
  }
  std::printf("Put a %dx%d picture on the clipboard; pressing Ctrl + numeric-keypad 9.\n", width, height);
  // A press made while the program still finishes its start-up is lost:
  // press again if no file comes.
  std::wstring saved;
  for (int attempt = 0; attempt < 3 && saved.empty(); ++attempt) {
    PressDefaultHotKey();
    WaitUntil(
        [&] {
          for (const auto& name : BitmapsIn(folder))
            if (std::find(before.begin(), before.end(), name) == before.end()) saved = name;
          return !saved.empty();
        },
        4000);
  }
  if (saved.empty()) {
    std::printf("no file appeared in %ls\n", folder.c_str());
    return 1;
  }

  Bytes file;
  ReadFileBytes(folder + saved, &file);
  std::printf("Saved: %ls%ls\n", folder.c_str(), saved.c_str());
  std::printf("Size:  %zu bytes\n", file.size());
  if (file.size() >= 26) {
    std::printf("Image: %d x %d pixels, %d bits per pixel\n", static_cast<int>(testsupport::GetU32(file, 18)),
                static_cast<int>(testsupport::GetU32(file, 22)), file[28] | file[29] << 8);
  }
  const long code = tarnwick.Exit();
  std::printf("Ended through its exit command, exit code %ld.\n", code);
  return code == 0 ? 0 : 1;
}

}  // namespace
}  // namespace e2e

int main() { return e2e::RunDemo(); }
