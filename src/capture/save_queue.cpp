#include "capture/save_queue.h"

#include <limits>
#include <utility>

#include "capture/take_picture.h"
#include "capture/write_picture.h"
#include "platform/owners.h"

struct SaveQueue::Job {
  enum class State { kToTake, kTaking, kToWrite, kWriting, kEnded };
  SaveOrder order;
  State state = State::kToTake;
  std::uint32_t sequenceAtTaking = 0;  // the clipboard's number when its taking began
  TakenPicture picture;
  SaveOutcome outcome;
};

// The monitor's lock, held for as long as the owner lives unless let go for a
// while.
class SaveQueue::Held {
 public:
  explicit Held(platform::Monitor& monitor) : monitor_(monitor) { monitor_.Lock(); }
  ~Held() {
    if (held_) monitor_.Unlock();
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  void LetGo() {
    monitor_.Unlock();
    held_ = false;
  }
  void TakeAgain() {
    monitor_.Lock();
    held_ = true;
  }

 private:
  platform::Monitor& monitor_;
  bool held_ = true;
};

namespace {

constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();

}  // namespace

SaveQueue::SaveQueue(platform::Platform& os, SaveLimits limits)
    : os_(os), limits_(limits), monitor_(os_.threads.NewMonitor()) {}

SaveQueue::~SaveQueue() {
  Held held(*monitor_);
  stopping_ = true;
  monitor_->WakeAll();
  while (running_ > 0) monitor_->Wait(platform::kWaitForever);
}

void SaveQueue::SetEndedSignal(void (*signal)()) {
  const Held held(*monitor_);
  signal_ = signal;
}

SaveQueue::Added SaveQueue::Add(const SaveOrder& order) {
  const Held held(*monitor_);
  if (!StartWorkers()) return Added::kNoWorker;
  // A held key repeats its press: the picture it would take is already
  // waiting. A save that has yet to take its picture will take the clipboard
  // as it is now. An automatic save may still find the picture private, so
  // it stands in for no press until it has taken it.
  const std::uint32_t now = os_.clipboard.SequenceNumber();
  const bool known = now != 0;  // 0: the system keeps no number for us
  for (const auto& job : jobs_) {
    if (job->order.automatic && !order.automatic) continue;
    if (job->state == Job::State::kToTake) return Added::kAlreadyWaiting;
    if (job->state == Job::State::kTaking && known && job->sequenceAtTaking == now) return Added::kAlreadyWaiting;
  }
  if (PictureIsTaken(now)) return Added::kAlreadyWaiting;
  if (jobs_.size() >= limits_.pictures) return Added::kFull;
  auto job = std::make_unique<Job>();
  job->order = order;
  job->outcome.automatic = order.automatic;
  jobs_.push_back(std::move(job));
  monitor_->WakeAll();
  return Added::kAdded;
}

void SaveQueue::Sweep(const char16_t* folder, int levels) {
  const Held held(*monitor_);
  if (!StartWorkers()) return;
  sweep_ = folder;
  sweepLevels_ = levels;
  monitor_->WakeAll();
}

std::vector<SaveOutcome> SaveQueue::TakeEnded() {
  const Held held(*monitor_);
  return std::exchange(ended_, {});
}

bool SaveQueue::Idle() {
  const Held held(*monitor_);
  return jobs_.empty();
}

bool SaveQueue::WaitForAnEnd(std::uint32_t timeoutMs) {
  const Held held(*monitor_);
  const std::uint64_t seen = endedCount_;
  while (endedCount_ == seen && !jobs_.empty()) {
    // A wait may end early; only one that ran out with nothing ended says no.
    if (!monitor_->Wait(timeoutMs) && endedCount_ == seen) return jobs_.empty();
  }
  return true;
}

bool SaveQueue::WaitUntilIdle(std::uint32_t timeoutMs) {
  const Held held(*monitor_);
  const std::uint32_t start = os_.clock.Milliseconds();
  while (!jobs_.empty()) {
    const std::uint32_t spent = os_.clock.Milliseconds() - start;
    if (spent >= timeoutMs) return false;
    monitor_->Wait(timeoutMs - spent);
  }
  return true;
}

// ---- the workers ----------------------------------------------------------------

bool SaveQueue::StartWorkers() {
  if (!takerStarted_) takerStarted_ = StartWorker(TakerThread);
  if (!writerStarted_) writerStarted_ = StartWorker(WriterThread);
  return takerStarted_ && writerStarted_;
}

bool SaveQueue::StartWorker(platform::Threads::Procedure procedure) {
  const platform::ThreadHandle thread(os_.threads, os_.threads.Start(procedure, this));
  if (thread.get() == nullptr) return false;
  ++running_;
  return true;
}

std::uint32_t SaveQueue::TakerThread(void* queue) {
  static_cast<SaveQueue*>(queue)->TakeInTurn();
  return 0;
}

std::uint32_t SaveQueue::WriterThread(void* queue) {
  static_cast<SaveQueue*>(queue)->WriteInTurn();
  return 0;
}

SaveQueue::Job* SaveQueue::NextToTake() {
  for (const auto& job : jobs_)
    if (job->state == Job::State::kToTake) return job.get();
  return nullptr;
}

bool SaveQueue::PictureIsTaken(std::uint32_t now) const {
  if (now == 0) return false;  // the system keeps no number for us
  for (const auto& job : jobs_) {
    const bool taken = job->state == Job::State::kToWrite || job->state == Job::State::kWriting;
    if (taken && job->picture.sequence == now) return true;
  }
  return false;
}

bool SaveQueue::FrontIsReady() const {
  return !jobs_.empty() && (jobs_.front()->state == Job::State::kToWrite || jobs_.front()->state == Job::State::kEnded);
}

bool SaveQueue::IsFront(const Job* job) {
  const Held held(*monitor_);
  return !jobs_.empty() && jobs_.front().get() == job;
}

std::uint64_t SaveQueue::Room() const {
  return heldBytes_ == 0 ? kNoLimit : (limits_.bytes > heldBytes_ ? limits_.bytes - heldBytes_ : 0);
}

WriteWhileHeld SaveQueue::WriteWhileHeldFor(Job* job) {
  return [this, job](const std::uint8_t* block, std::size_t size) {
    // Too large to copy: written while the clipboard is held, as long as no
    // earlier save is still to be written. Holding the clipboard while they
    // are would stop every other program's copy for as long.
    if (!IsFront(job)) return SaveFault{SAVE_ERR_BITMAP_DATA};
    return WritePicture(os_, job->order, PictureKind::kDib, block, size, &job->outcome.file);
  };
}

void SaveQueue::TakeInTurn() {
  Held held(*monitor_);
  for (;;) {
    Job* job = nullptr;
    while (!stopping_ && (clipboardInUse_ || (job = NextToTake()) == nullptr)) monitor_->Wait(platform::kWaitForever);
    if (stopping_) break;
    job->state = Job::State::kTaking;
    job->sequenceAtTaking = os_.clipboard.SequenceNumber();
    // A repeat pressed while an earlier picture was being copied: the copy's
    // own delayed rendering had changed the number then, not the picture.
    if (PictureIsTaken(job->sequenceAtTaking)) {
      job->state = Job::State::kEnded;
      monitor_->WakeAll();
      continue;
    }
    // Nobody else takes meanwhile, and the writer only gives bytes back: the
    // room can only grow.
    const std::uint64_t room = Room();
    clipboardInUse_ = true;
    held.LetGo();
    TakenPicture picture = TakePicture(os_, job->order, room, limits_.bytes, WriteWhileHeldFor(job));
    held.TakeAgain();
    clipboardInUse_ = false;
    Keep(job, std::move(picture));
    monitor_->WakeAll();
  }
  --running_;
  monitor_->WakeAll();
}

void SaveQueue::Keep(Job* job, TakenPicture picture) {
  if (picture.fault.result == SAVE_OK && !picture.written) {
    heldBytes_ += picture.copy.size();
    job->picture = std::move(picture);
    job->state = Job::State::kToWrite;
  } else {
    job->outcome.fault = std::move(picture.fault);
    job->state = Job::State::kEnded;
  }
}

void SaveQueue::TakeBitmapFor(Held& held, Job& job) {
  // The "PNG"'s copy goes first: the bitmap has its room.
  const std::uint32_t seen = job.picture.sequence;
  heldBytes_ -= job.picture.copy.size();
  job.picture.copy = platform::MemoryCopy();
  while (clipboardInUse_) monitor_->Wait(platform::kWaitForever);
  const std::uint64_t room = Room();
  clipboardInUse_ = true;
  held.LetGo();
  TakenPicture bitmap = TakeBitmapInstead(os_, job.order, seen, room, limits_.bytes, WriteWhileHeldFor(&job));
  held.TakeAgain();
  clipboardInUse_ = false;
  monitor_->WakeAll();
  Keep(&job, std::move(bitmap));
}

void SaveQueue::WriteInTurn() {
  Held held(*monitor_);
  for (;;) {
    while (!stopping_ && sweep_.empty() && !FrontIsReady()) monitor_->Wait(platform::kWaitForever);
    if (stopping_) break;
    if (!sweep_.empty()) {
      const std::u16string folder = std::exchange(sweep_, {});
      const int levels = sweepLevels_;
      held.LetGo();
      RemoveLeftovers(os_, folder.c_str(), levels);
      held.TakeAgain();
      continue;
    }
    Job& job = *jobs_.front();
    if (job.state == Job::State::kToWrite) {
      job.state = Job::State::kWriting;
      // Decoded here, not on the taker, so that a press meanwhile takes its
      // own picture at once.
      held.LetGo();
      const bool decodes = PictureDecodes(os_.codecs, job.picture);
      held.TakeAgain();
      if (!decodes) TakeBitmapFor(held, job);
    }
    if (job.state == Job::State::kToWrite || job.state == Job::State::kWriting) {
      job.state = Job::State::kWriting;
      held.LetGo();
      job.outcome.fault = WritePicture(os_, job.order, job.picture.kind, job.picture.copy.bytes(),
                                       job.picture.copy.size(), &job.outcome.file);
      const std::size_t size = job.picture.copy.size();
      // Given back before the end is told: once every save has ended, no
      // picture stays.
      job.picture.copy = platform::MemoryCopy();
      held.TakeAgain();
      heldBytes_ -= size;
    }
    ended_.push_back(std::move(job.outcome));
    jobs_.pop_front();
    ++endedCount_;
    monitor_->WakeAll();
    void (*signal)() = signal_;
    if (signal != nullptr) {
      held.LetGo();
      signal();
      held.TakeAgain();
    }
  }
  --running_;
  monitor_->WakeAll();
}
