// Presses are served in the order they came. Each press's worker takes the
// clipboard's picture in its turn, then writes it in its turn: a press made
// during a save takes its picture at once, and is written after the saves
// before it. Only one picture is taken, and only one written, at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

class SaveTurns {
 public:
  // The monitor comes from the platform in use when the turns are made.
  SaveTurns();

  // The user-interface thread, at a press: the press's ticket.
  std::uint64_t Enter();
  // The user-interface thread, when the press just entered got no worker.
  void Withdraw(std::uint64_t ticket);

  void WaitToTake(std::uint64_t ticket);
  void Taken(std::uint64_t ticket);
  void WaitToWrite(std::uint64_t ticket);
  // No earlier press is still to be written.
  bool IsTurnToWrite(std::uint64_t ticket);
  void Written(std::uint64_t ticket);

  // Waits until every press entered so far is written; false when none has
  // been written for `timeoutMs` and some are still waiting (a folder that
  // hangs), true as long as the saves go on.
  bool WaitUntilAllWritten(std::uint32_t timeoutMs);

 private:
  class Held;
  void WaitFor(const std::uint64_t& turn, std::uint64_t ticket);
  void Pass(std::uint64_t& turn, std::uint64_t ticket);

  std::unique_ptr<platform::Monitor> monitor_;
  std::uint64_t next_ = 0;
  std::uint64_t toTake_ = 0;
  std::uint64_t toWrite_ = 0;
};
