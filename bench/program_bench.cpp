#include "program_bench.h"

#include <memory>

#include "memory_watch.h"
#include "picture.h"
#include "tarnwick_session.h"
#include "win32_clipboard.h"

namespace bench {
namespace {

// One hot-key save of a new picture, checked byte for byte; its time in ms,
// or -1. With `extraBytes`, the program's private bytes are sampled through
// it (apart from the timed saves: under Wine each sample of another process
// is a round trip to the server), and `keptBytes` receives what it holds
// after the save, minus before.
double SaveOnce(TarnwickSession& tarnwick, ProgramFigures& f, std::uint32_t seed, long long* extraBytes = nullptr,
                long long* keptBytes = nullptr) {
  const Bytes expected = ExpectedFile(f.width, f.height, seed);
  if (!testsupport::PutDibOnRealClipboard(ClipboardBlock(expected))) {
    f.error = "could not put the picture on the clipboard";
    return -1;
  }
  std::unique_ptr<PeakPrivateBytes> watch;
  if (extraBytes != nullptr) watch = std::make_unique<PeakPrivateBytes>(tarnwick.process());
  std::wstring path;
  double ms = 0;
  const bool saved = tarnwick.SaveWithHotKey(&path, &ms);
  tarnwick.Settle();
  if (watch) {
    const long long before = static_cast<long long>(watch->before());
    *extraBytes = static_cast<long long>(watch->Stop()) - before;
    if (keptBytes != nullptr) *keptBytes = static_cast<long long>(PrivateBytes(tarnwick.process())) - before;
  }
  if (!saved) {
    f.error = "no file appeared";
    for (const auto& text : tarnwick.DismissMessageBoxes()) f.error += "; the program said: " + text;
    return -1;
  }
  ++f.filesChecked;
  if (FileHolds(path, expected)) ++f.filesCorrect;
  DeleteFileW(path.c_str());
  return ms;
}

}  // namespace

ProgramFigures MeasureProgram(int width, int height, int runs, const std::wstring& folder) {
  ProgramFigures f;
  f.width = width;
  f.height = height;
  TarnwickSession tarnwick;
  if (!tarnwick.Start(folder)) {
    f.error = "Tarnwick.exe did not start";
    return f;
  }
  std::uint32_t seed = static_cast<std::uint32_t>(height);
  tarnwick.Settle();
  if (SaveOnce(tarnwick, f, ++seed, &f.firstSaveExtraBytes, &f.keptAfterFirstBytes) < 0) return f;
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double ms = SaveOnce(tarnwick, f, ++seed);
    if (ms < 0) return f;
    times.push_back(ms);
  }
  f.pressToFile = Summarize(times);
  SaveOnce(tarnwick, f, ++seed, &f.laterSaveExtraBytes);
  return f;
}

HeldKeyFigures MeasureHeldKey(int width, int height, const std::wstring& folder) {
  HeldKeyFigures f;
  TarnwickSession tarnwick;
  const Bytes expected = ExpectedFile(width, height, static_cast<std::uint32_t>(width) + 3);
  f.pictureBytes = expected.size() - kFileHeaderBytes;
  if (!tarnwick.Start(folder) || !testsupport::PutDibOnRealClipboard(ClipboardBlock(expected))) {
    f.error = "could not start Tarnwick.exe with the picture on the clipboard";
    return f;
  }
  tarnwick.Settle();
  PeakPrivateBytes watch(tarnwick.process());
  const double start = NowMs();
  e2e::HeldKeys({VK_CONTROL}, VK_NUMPAD9).Repeat(29, 33);
  const auto quiet = [&] {
    return !e2e::BitmapsIn(folder).empty() && e2e::FilesIn(folder, L".tarnwick-*.tmp").empty();
  };
  // A repeat's save may begin just after another has ended: quiet twice.
  const bool ended = e2e::WaitUntil(quiet, 600000) && (tarnwick.Settle(), e2e::WaitUntil(quiet, 600000));
  f.quietMs = NowMs() - start;
  f.extraBytes = static_cast<long long>(watch.Stop()) - static_cast<long long>(watch.before());
  f.boxes = tarnwick.DismissMessageBoxes();
  if (!ended) f.error = "the folder never went quiet";
  for (const auto& name : e2e::BitmapsIn(folder)) {
    ++f.files;
    if (FileHolds(folder + name, expected)) ++f.filesCorrect;
    DeleteFileW((folder + name).c_str());
  }
  return f;
}

}  // namespace bench
