// Pauses between attempts at something the system refuses for a while, such
// as a tray icon while the shell is starting at logon or is busy: short at
// first, doubling up to a longest pause, and short again once it worked.
#pragma once

#include <cstdint>

class RetryBackoff {
 public:
  RetryBackoff(std::uint32_t firstMs, std::uint32_t longestMs);

  // After an attempt: 0 when it worked, else the pause before the next one.
  std::uint32_t After(bool succeeded);
  // Starts again from the first pause (the shell has just come back).
  void Restart() { next_ = first_; }

 private:
  std::uint32_t first_;
  std::uint32_t longest_;
  std::uint32_t next_;
};
