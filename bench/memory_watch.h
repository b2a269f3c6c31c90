// Private bytes of a process, and their peak over a stretch of time.
#pragma once

#include <windows.h>

#include <cstddef>

namespace bench {

// The process's private committed bytes now: the commit charge
// (PagefileUsage), which is PrivateUsage on Windows; Wine leaves PrivateUsage
// at 0 and counts its resident anonymous memory here. 0 when unknown.
std::size_t PrivateBytes(HANDLE process);

// Samples a process's private bytes from a thread of its own, about every
// millisecond, from construction to Stop(). Wine keeps no peak of its own (its
// "peak" is the current value), and Windows' peak covers the process's whole
// life, not one save; so the peak is sampled.
class PeakPrivateBytes {
 public:
  explicit PeakPrivateBytes(HANDLE process);
  ~PeakPrivateBytes();
  PeakPrivateBytes(const PeakPrivateBytes&) = delete;
  PeakPrivateBytes& operator=(const PeakPrivateBytes&) = delete;

  // Stops sampling; the highest value seen (the last one included).
  std::size_t Stop();
  std::size_t before() const { return before_; }

 private:
  static DWORD WINAPI Sample(LPVOID self);

  HANDLE process_;
  HANDLE thread_ = nullptr;
  volatile LONG stop_ = 0;
  volatile LONG started_ = 0;
  std::size_t before_ = 0;
  std::size_t peak_ = 0;
};

}  // namespace bench
