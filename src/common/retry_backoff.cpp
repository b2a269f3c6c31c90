#include "common/retry_backoff.h"

RetryBackoff::RetryBackoff(std::uint32_t firstMs, std::uint32_t longestMs)
    : first_(firstMs), longest_(longestMs < firstMs ? firstMs : longestMs), next_(firstMs) {}

std::uint32_t RetryBackoff::After(bool succeeded) {
  if (succeeded) {
    next_ = first_;
    return 0;
  }
  const std::uint32_t pause = next_;
  next_ = next_ > longest_ / 2 ? longest_ : next_ * 2;
  return pause;
}
