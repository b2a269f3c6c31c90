#include "memory_watch.h"

#include <psapi.h>

namespace bench {

std::size_t PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PagefileUsage;
}

PeakPrivateBytes::PeakPrivateBytes(HANDLE process) : process_(process) {
  thread_ = CreateThread(nullptr, 0, Sample, this, 0, nullptr);
  if (thread_ == nullptr) before_ = peak_ = PrivateBytes(process_);
  // The caller's work starts only once sampling has.
  while (thread_ != nullptr && InterlockedCompareExchange(&started_, 0, 0) == 0) Sleep(0);
}

PeakPrivateBytes::~PeakPrivateBytes() { Stop(); }

DWORD WINAPI PeakPrivateBytes::Sample(LPVOID self) {
  auto* watch = static_cast<PeakPrivateBytes*>(self);
  // "Before" is read from here, so that this thread's own memory (under Wine
  // the first thread a process starts costs about 1 MiB) is not counted.
  watch->before_ = PrivateBytes(watch->process_);
  watch->peak_ = watch->before_;
  InterlockedExchange(&watch->started_, 1);
  while (InterlockedCompareExchange(&watch->stop_, 0, 0) == 0) {
    const std::size_t now = PrivateBytes(watch->process_);
    if (now > watch->peak_) watch->peak_ = now;
    Sleep(1);
  }
  return 0;
}

std::size_t PeakPrivateBytes::Stop() {
  if (thread_ != nullptr) {
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
    const std::size_t last = PrivateBytes(process_);
    if (last > peak_) peak_ = last;
  }
  return peak_;
}

}  // namespace bench
