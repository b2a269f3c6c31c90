#include "save_bench.h"

#include <windows.h>

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "capture/save_queue.h"
#include "driver.h"
#include "foreign_clipboard.h"
#include "memory_watch.h"
#include "observed_platform.h"
#include "picture.h"
#include "save_now.h"
#include "ui/core/save_presses.h"

namespace bench {
namespace {

constexpr DWORD kSettleMs = 300;

double TimePlainWrite(const std::wstring& path, const Bytes& bytes) {
  const double start = NowMs();
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return -1;
  DWORD written = 0;
  const BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  const double ms = NowMs() - start;
  DeleteFileW(path.c_str());
  return ok && written == bytes.size() ? ms : -1;
}

class Runs {
 public:
  Runs(SaveFigures* figures, const std::wstring& folder) : f_(figures), folder_(folder) {}

  // A new picture on the clipboard, put there by another process; then a
  // pause, so that the other process's end and the system's own work on the
  // change are not measured with ours.
  bool Put(std::uint32_t seed) {
    expected_ = ExpectedFile(f_->width, f_->height, seed);
    if (!PutPictureFromOtherProcess(f_->width, f_->height, seed)) return Fail("could not put the picture on the clipboard");
    e2e::Pump(kSettleMs);
    return true;
  }

  bool TimedPlainWrite() {
    const double ms = TimePlainWrite(folder_ + L"plain-write.bin", expected_);
    if (ms < 0) return Fail("the plain write failed");
    plain_.push_back(ms);
    return true;
  }

  bool TimedSave() {
    const double start = NowMs();
    const SaveResult result = Save();
    const double ms = NowMs() - start;
    if (result != SAVE_OK) return Fail("the save returned " + std::to_string(result));
    if (!CheckAndDelete()) return false;
    const SaveSteps& steps = platform_.steps();
    save_.push_back(ms);
    open_.push_back(steps.open);
    handOver_.push_back(steps.handOver);
    copy_.push_back(steps.copy);
    write_.push_back(steps.write);
    flush_.push_back(steps.flush);
    move_.push_back(steps.move);
    rest_.push_back(ms - steps.open - steps.handOver - steps.copy - steps.write - steps.flush - steps.move);
    own_.push_back(ms - steps.handOver);
    return true;
  }

  // The same save, the picture still on the clipboard, without the flush.
  bool TimedSaveWithoutFlush() {
    platform_.set_skip_flush(true);
    const double start = NowMs();
    const SaveResult result = Save();
    const double ms = NowMs() - start;
    platform_.set_skip_flush(false);
    if (result != SAVE_OK) return Fail("the save without the flush returned " + std::to_string(result));
    if (!CheckAndDelete()) return false;
    noFlush_.push_back(ms);
    return true;
  }

  bool MeasuredSave() {
    platform_.set_sample_memory(true);
    PeakPrivateBytes watch(GetCurrentProcess());
    const SaveResult result = Save();
    const std::size_t peak = watch.Stop();
    platform_.set_sample_memory(false);
    if (result != SAVE_OK) return Fail("the save returned " + std::to_string(result));
    f_->saveExtraBytes = static_cast<long long>(peak) - static_cast<long long>(watch.before());
    f_->handOverExtraBytes = static_cast<long long>(platform_.bytesAfterHandOver()) - static_cast<long long>(watch.before());
    return CheckAndDelete();
  }

  bool MeasuredHotKeyHandling() {
    PeakPrivateBytes watch(GetCurrentProcess());
    const int code = presses_.Press();
    const bool ended = queue_.WaitUntilIdle(kExitQuietMs) && TookFile();
    const std::size_t peak = watch.Stop();
    if (!ended) return Fail("the save did not end");
    if (code != 0 || platform_.messageBoxesShown() != 0) return Fail("the press reported a failure");
    f_->hotKeyExtraBytes = static_cast<long long>(peak) - static_cast<long long>(watch.before());
    return CheckAndDelete();
  }

  // A press as the main window's handler makes it, on this thread,
  // then the wait for its worker's file.
  bool TimedHotKeyHandling() {
    const double cpuBefore = ThreadCpuMs(GetCurrentThread());
    const double processBefore = ProcessCpuMs(GetCurrentProcess());
    const double start = NowMs();
    const int code = presses_.Press();
    const bool ended = queue_.WaitUntilIdle(kExitQuietMs) && TookFile();
    const double wall = NowMs() - start;
    if (!ended) return Fail("the save did not end");
    const double cpu = ThreadCpuMs(GetCurrentThread()) - cpuBefore;
    const double process = ProcessCpuMs(GetCurrentProcess()) - processBefore;
    if (code != 0 || platform_.messageBoxesShown() != 0) return Fail("the press reported a failure");
    if (!CheckAndDelete()) return false;
    ++f_->waits;
    f_->waitWallMs += wall;
    f_->uiThreadCpuMs += cpu;
    f_->processCpuMs += process;
    return true;
  }

  void Summarize() {
    f_->plainWrite = bench::Summarize(plain_);
    f_->save = bench::Summarize(save_);
    f_->open = bench::Summarize(open_);
    f_->handOver = bench::Summarize(handOver_);
    f_->copy = bench::Summarize(copy_);
    f_->write = bench::Summarize(write_);
    f_->flush = bench::Summarize(flush_);
    f_->saveWithoutFlush = bench::Summarize(noFlush_);
    f_->move = bench::Summarize(move_);
    f_->rest = bench::Summarize(rest_);
    f_->ownPart = bench::Summarize(own_);
  }

 private:
  // The save as the queue's workers make it, on this thread.
  SaveResult Save() {
    const testsupport::SavedNow saved = testsupport::SaveNow();
    file_ = saved.file;
    return saved.result;
  }
  // The file of the press that just ended.
  bool TookFile() {
    const std::vector<SaveOutcome> ended = queue_.TakeEnded();
    if (ended.size() != 1 || ended[0].fault.result != SAVE_OK) return false;
    file_ = ended[0].file;
    return true;
  }

  bool CheckAndDelete() {
    const std::wstring path(file_.begin(), file_.end());
    ++f_->filesChecked;
    const bool correct = FileHolds(path, expected_);
    if (correct) ++f_->filesCorrect;
    DeleteFileW(path.c_str());
    return correct || Fail("a saved file differs from the picture");
  }

  bool Fail(const std::string& why) {
    if (f_->error.empty()) f_->error = why;
    return false;
  }

  SaveFigures* f_;
  std::wstring folder_;
  ObservedPlatform platform_;
  // Made with the observed platform in place, as the program makes them.
  SaveQueue queue_{platform::Current()};
  SavePresses presses_{platform::Current(), queue_};
  std::u16string file_;
  Bytes expected_;
  std::vector<double> plain_, save_, open_, handOver_, copy_, write_, flush_, move_, rest_, own_, noFlush_;
};

}  // namespace

SaveFigures MeasureSave(int width, int height, int runs, const std::wstring& folder) {
  SaveFigures figures;
  figures.width = width;
  figures.height = height;
  figures.fileBytes = kFileHeaderBytes + 40 + static_cast<std::size_t>(width) * height * 4;
  std::fill_n(g_szPath, kPathChars, u'\0');
  CopyText(g_szPath, kPathChars, reinterpret_cast<const char16_t*>(folder.c_str()));

  Runs r(&figures, folder);
  std::uint32_t seed = static_cast<std::uint32_t>(width);
  for (int i = 0; i < runs; ++i) {
    if (!r.Put(++seed)) return figures;
    // Each goes first in every other run, so that neither gains from its place.
    const bool measured = i % 2 == 0 ? r.TimedPlainWrite() && r.TimedSave() : r.TimedSave() && r.TimedPlainWrite();
    if (!measured || !r.TimedSaveWithoutFlush()) return figures;
  }
  r.Summarize();
  // Memory apart from the timed runs: the sampling thread takes a share of
  // the processor.
  if (!r.Put(++seed) || !r.MeasuredSave()) return figures;
  if (!r.Put(++seed) || !r.MeasuredHotKeyHandling()) return figures;
  for (int i = 0; i < runs; ++i) {
    if (!r.Put(++seed) || !r.TimedHotKeyHandling()) return figures;
  }
  return figures;
}

}  // namespace bench
