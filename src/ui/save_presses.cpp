#include "ui/save_presses.h"

#include <algorithm>
#include <string_view>

#include "capture/save_queue.h"
#include "common/app_state.h"
#include "common/error_box.h"
#include "platform/platform.h"

SavePresses::SavePresses(SaveQueue& queue) : queue_(queue) {}

int SavePresses::Press() { return Add(false); }

void SavePresses::SaveNewPicture() { Add(true); }

void SavePresses::Start(void (*signal)()) {
  queue_.SetEndedSignal(signal);
  queue_.Sweep(g_szPath);
}

int SavePresses::Add(bool automatic) {
  SaveOrder order;
  order.automatic = automatic;
  std::copy_n(g_szPath, kPathChars, order.folder);
  order.format = g_dwFormat;
  order.time = platform::Current().clock.Now();
  switch (queue_.Add(order)) {
    case SaveQueue::Added::kNoWorker:
      ShowFailure(kThreadFailedText);
      return 1;
    case SaveQueue::Added::kFull:
      // The one picture lost on purpose: refused, and told.
      ShowFailure(kTooManySavesText);
      return 0;
    case SaveQueue::Added::kAdded:
    case SaveQueue::Added::kAlreadyWaiting:
      break;
  }
  FollowShutdownBlock();
  return 0;
}

void SavePresses::ShowEnded() {
  FollowShutdownBlock();
  for (const SaveOutcome& outcome : queue_.TakeEnded()) {
    const char16_t* text = SaveResultText(outcome.result);
    if (std::u16string_view(text) != kNoErrorText) ShowFailure(text);
  }
}

bool SavePresses::FinishAtExit(std::uint32_t quietMs) {
  for (;;) {
    // Looked at before the outcomes are taken: once it is idle, every
    // outcome is among them.
    const bool idle = queue_.Idle();
    ShowEnded();
    if (idle) return true;
    if (!queue_.WaitForAnEnd(quietMs)) return false;
  }
}

void SavePresses::EndSession(bool ending, std::uint32_t waitMs) {
  sessionEnding_ = ending;
  // The process is ended as soon as this returns: the pictures pressed
  // before are put on the disk first, or their temporary files are swept at
  // the next start.
  if (ending) queue_.WaitUntilIdle(waitMs);
}

void SavePresses::ShowFailure(const char16_t* text) {
  // No one is there to read a box while the session ends.
  if (sessionEnding_) return;
  if (std::find(boxesUp_.begin(), boxesUp_.end(), text) != boxesUp_.end()) return;
  boxesUp_.emplace_back(text);
  // Modal: saves that end meanwhile are shown by the box's own loop.
  ShowErrorBox(text);
  boxesUp_.erase(std::find(boxesUp_.begin(), boxesUp_.end(), text));
}

void SavePresses::FollowShutdownBlock() {
  const bool pending = !queue_.Idle();
  if (pending == blockingShutdown_) return;
  blockingShutdown_ = pending;
  platform::Session& session = platform::Current().session;
  if (pending) {
    session.BlockShutdown(g_hMainWnd, kSavingReasonText);
  } else {
    session.AllowShutdown(g_hMainWnd);
  }
}
