// The saves waiting or being written, in press order, and the two long-lived
// workers that serve them: one takes each save's picture from the clipboard
// as soon as it comes, the other writes the taken pictures one after the
// other. Two, because a press made during a slow write must take its picture
// at once, and one thread cannot wait for a disk and the clipboard together.
// The window's thread only adds saves and collects what they ended with; it
// never waits for a worker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "capture/save_job.h"
#include "capture/take_picture.h"
#include "platform/platform.h"

// The queue's bound: more would only fill the process with pictures waiting
// on a slow folder.
struct SaveLimits {
  std::size_t pictures = 4;            // saves waiting or being written
  std::uint64_t bytes = 512ull << 20;  // their copies together
};

class SaveQueue {
 public:
  enum class Added {
    kAdded,
    kAlreadyWaiting,  // the clipboard's picture is already to be saved: nothing added
    kFull,            // refused: the saves are at their bound
    kNoWorker,        // no thread could be started
  };

  // The workers are started with the first save, on `os`, which outlives
  // them.
  explicit SaveQueue(platform::Platform& os, SaveLimits limits = SaveLimits{});
  // Ends the workers, waiting for a save being written to end first.
  ~SaveQueue();
  SaveQueue(const SaveQueue&) = delete;
  SaveQueue& operator=(const SaveQueue&) = delete;

  // Called on the writer each time a save has ended; its outcome is then
  // waiting in TakeEnded.
  void SetEndedSignal(void (*signal)());

  // A press, or a new picture to save without one. Nothing is added while the
  // clipboard's picture is already waiting or being written
  // (GetClipboardSequenceNumber unchanged since it was taken, or not taken
  // yet), nor beyond the bound. A picture whose copy would take the saves
  // past their bytes is refused when it is taken, with SAVE_REFUSED_BUSY.
  Added Add(const SaveOrder& order);
  // The writer removes what dead processes left in `folder`, and in its
  // sub-folders down to `levels` below, before its next save.
  void Sweep(const char16_t* folder, int levels);

  // The outcomes of the saves ended since the last call, in press order.
  std::vector<SaveOutcome> TakeEnded();
  // No save waits or is being written.
  bool Idle();
  // Waits until a save ends (true at once when none is left), or until
  // `timeoutMs` pass without one (false).
  bool WaitForAnEnd(std::uint32_t timeoutMs);
  // Waits until no save is left, at most `timeoutMs` in all; false when some are.
  bool WaitUntilIdle(std::uint32_t timeoutMs);

 private:
  struct Job;
  class Held;
  static std::uint32_t TakerThread(void* queue);
  static std::uint32_t WriterThread(void* queue);
  void TakeInTurn();
  void WriteInTurn();
  // What the saves' copies leave of their bytes: the most a new copy may take.
  std::uint64_t Room() const;
  WriteWhileHeld WriteWhileHeldFor(Job* job);
  // A picture taken: kept to be written, or the save ended with its fault.
  void Keep(Job* job, TakenPicture picture);
  // A "PNG" that did not decode: the bitmap taken instead, on the writer.
  void TakeBitmapFor(Held& held, Job& job);
  bool StartWorkers();
  bool StartWorker(platform::Threads::Procedure procedure);
  Job* NextToTake();
  // Some save holds a picture taken while the clipboard's number was `now`.
  bool PictureIsTaken(std::uint32_t now) const;
  // The first save is taken, or has ended without anything to write.
  bool FrontIsReady() const;
  bool IsFront(const Job* job);

  platform::Platform& os_;
  const SaveLimits limits_;
  std::unique_ptr<platform::Monitor> monitor_;
  // Everything below is guarded by the monitor.
  std::deque<std::unique_ptr<Job>> jobs_;
  std::vector<SaveOutcome> ended_;
  std::uint64_t endedCount_ = 0;
  std::uint64_t heldBytes_ = 0;
  std::u16string sweep_;
  int sweepLevels_ = 0;
  void (*signal_)() = nullptr;
  // A worker has the clipboard open: one opening at a time in this process,
  // and the room it was given is its own.
  bool clipboardInUse_ = false;
  bool takerStarted_ = false;
  bool writerStarted_ = false;
  int running_ = 0;
  bool stopping_ = false;
};
