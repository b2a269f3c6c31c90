#include "capture/save_turns.h"

#include <chrono>

std::uint64_t SaveTurns::Enter() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return next_++;
}

void SaveTurns::Withdraw(std::uint64_t ticket) {
  const std::lock_guard<std::mutex> lock(mutex_);
  // Only the user-interface thread enters presses, so none came after it.
  if (ticket + 1 == next_) --next_;
}

void SaveTurns::WaitFor(const std::uint64_t& turn, std::uint64_t ticket) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return turn == ticket; });
}

void SaveTurns::Pass(std::uint64_t& turn, std::uint64_t ticket) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (turn == ticket) ++turn;
  }
  changed_.notify_all();
}

void SaveTurns::WaitToTake(std::uint64_t ticket) { WaitFor(toTake_, ticket); }
void SaveTurns::Taken(std::uint64_t ticket) { Pass(toTake_, ticket); }
void SaveTurns::WaitToWrite(std::uint64_t ticket) { WaitFor(toWrite_, ticket); }
void SaveTurns::Written(std::uint64_t ticket) { Pass(toWrite_, ticket); }

bool SaveTurns::IsTurnToWrite(std::uint64_t ticket) {
  const std::lock_guard<std::mutex> lock(mutex_);
  return toWrite_ == ticket;
}

bool SaveTurns::WaitUntilAllWritten(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return toWrite_ == next_; });
}

std::uint64_t SaveTurns::Pending() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return next_ - toWrite_;
}
