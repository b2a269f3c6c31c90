#include "capture/save_turns.h"

// The monitor's lock, held for as long as the owner lives.
class SaveTurns::Held {
 public:
  explicit Held(platform::Monitor& monitor) : monitor_(monitor) { monitor_.Lock(); }
  ~Held() { monitor_.Unlock(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

 private:
  platform::Monitor& monitor_;
};

SaveTurns::SaveTurns() : monitor_(platform::Current().threads.NewMonitor()) {}

std::uint64_t SaveTurns::Enter() {
  const Held held(*monitor_);
  return next_++;
}

void SaveTurns::Withdraw(std::uint64_t ticket) {
  const Held held(*monitor_);
  // Only the user-interface thread enters presses, so none came after it.
  if (ticket + 1 == next_) --next_;
}

void SaveTurns::WaitFor(const std::uint64_t& turn, std::uint64_t ticket) {
  const Held held(*monitor_);
  while (turn != ticket) monitor_->Wait(platform::kWaitForever);
}

void SaveTurns::Pass(std::uint64_t& turn, std::uint64_t ticket) {
  const Held held(*monitor_);
  if (turn == ticket) ++turn;
  monitor_->WakeAll();
}

void SaveTurns::WaitToTake(std::uint64_t ticket) { WaitFor(toTake_, ticket); }
void SaveTurns::Taken(std::uint64_t ticket) { Pass(toTake_, ticket); }
void SaveTurns::WaitToWrite(std::uint64_t ticket) { WaitFor(toWrite_, ticket); }
void SaveTurns::Written(std::uint64_t ticket) { Pass(toWrite_, ticket); }

bool SaveTurns::IsTurnToWrite(std::uint64_t ticket) {
  const Held held(*monitor_);
  return toWrite_ == ticket;
}

bool SaveTurns::WaitUntilAllWritten(std::uint32_t timeoutMs) {
  const Held held(*monitor_);
  while (toWrite_ != next_) {
    const std::uint64_t written = toWrite_;
    // Every turn that passes wakes this wait: the time counts from the last
    // save that ended, or from the start.
    if (!monitor_->Wait(timeoutMs) && toWrite_ == written) return toWrite_ == next_;
  }
  return true;
}
