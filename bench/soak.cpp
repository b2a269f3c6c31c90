#include "soak.h"

#include "picture.h"
#include "win32_clipboard.h"

namespace bench {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kMaxProblems = 10;

void Note(SoakFigures& soak, const std::string& problem) {
  if (soak.problems.size() < kMaxProblems) soak.problems.push_back(problem);
}

// What a wrong file holds: its size, and the picture number in its first pixel.
std::string Describe(const std::wstring& path) {
  e2e::Bytes file;
  if (!e2e::ReadFileBytes(path, &file)) return "unreadable, error " + std::to_string(GetLastError());
  std::string text = std::to_string(file.size()) + " bytes";
  if (file.size() >= 58) text += ", picture " + std::to_string(file[54] | file[55] << 8 | file[56] << 16 | file[57] << 24);
  return text;
}

void CheckGrowth(SoakFigures& soak) {
  const SoakCheckpoint& base = soak.checkpoints.front();
  const SoakCheckpoint& now = soak.checkpoints.back();
  const std::string at = "after " + std::to_string(now.saves) + " saves: ";
  auto grew = [&](const char* what, unsigned long long before, unsigned long long after) {
    if (after > before) {
      soak.growth.push_back(at + what + " " + std::to_string(before) + " -> " + std::to_string(after));
    }
  };
  grew("handles", base.figures.handles, now.figures.handles);
  grew("GDI objects", base.figures.gdiObjects, now.figures.gdiObjects);
  grew("USER objects", base.figures.userObjects, now.figures.userObjects);
  grew("windows", base.figures.windows, now.figures.windows);
  grew("private bytes (beyond 1 MiB of slack)", base.figures.privateBytes + kSoakMemorySlack,
       now.figures.privateBytes);
}

}  // namespace

SoakFigures RunSoak(int saves, const std::wstring& folder) {
  SoakFigures soak;
  soak.width = kWidth;
  soak.height = kHeight;
  soak.requested = saves;
  TarnwickSession tarnwick;
  if (!tarnwick.Start(folder)) {
    Note(soak, "Tarnwick.exe did not start");
    return soak;
  }
  std::vector<double> times;
  const double start = NowMs();
  for (int i = 1; i <= saves; ++i) {
    // A new picture every time, so that a file left from an earlier save
    // cannot pass for this one; each file is checked and deleted before the
    // next press, so saves within one second (same name) are each checked.
    const Bytes expected = ExpectedFile(kWidth, kHeight, static_cast<std::uint32_t>(i));
    if (!testsupport::PutDibOnRealClipboard(ClipboardBlock(expected))) {
      Note(soak, "save " + std::to_string(i) + ": could not put the picture on the clipboard");
      continue;
    }
    std::wstring path;
    double ms = 0;
    if (!tarnwick.SaveWithHotKey(&path, &ms)) {
      std::string said;
      for (const auto& text : tarnwick.DismissMessageBoxes()) said += "; the program said: " + text;
      Note(soak, "save " + std::to_string(i) + ": no file appeared" + said);
      if (!tarnwick.Running()) break;
      continue;
    }
    ++soak.saved;
    times.push_back(ms);
    const auto files = e2e::FilesIn(folder);
    if (files.size() != 1) Note(soak, "save " + std::to_string(i) + ": " + std::to_string(files.size()) + " files in the folder");
    if (FileHolds(path, expected)) {
      ++soak.correct;
    } else {
      Note(soak, "save " + std::to_string(i) + ": the file differs from the picture: " + Describe(path));
    }
    if (!DeleteFileW(path.c_str())) {
      Note(soak, "save " + std::to_string(i) + ": could not delete the file, error " + std::to_string(GetLastError()));
    }

    if (i == kSoakWarmUp || i % 100 == 0 || i == saves) {
      tarnwick.Settle();
      soak.checkpoints.push_back({i, tarnwick.Figures()});
      if (soak.checkpoints.size() > 1) CheckGrowth(soak);
    }
  }
  soak.seconds = (NowMs() - start) / 1000.0;
  soak.pressToFile = Summarize(times);
  return soak;
}

}  // namespace bench
