#include "ui/core/exit_and_logoff.h"

#include <algorithm>
#include <utility>

#include "capture/save_queue.h"
#include "common/app_state.h"
#include "common/texts.h"
#include "dialogs/boxes.h"

void ExitAndLogoff::EndSession(bool ending, std::uint32_t waitMs) {
  sessionEnding_ = ending;
  // The process is ended as soon as this returns: the pictures pressed
  // before are put on the disk first, or their temporary files are swept at
  // the next start.
  if (ending) queue_.WaitUntilIdle(waitMs);
}

void ExitAndLogoff::FollowShutdownBlock() {
  const bool pending = !queue_.Idle();
  if (pending == blockingShutdown_) return;
  blockingShutdown_ = pending;
  if (pending) {
    session_.BlockShutdown(g_hMainWnd, kSavingReasonText);
  } else {
    session_.AllowShutdown(g_hMainWnd);
  }
}

bool ExitAndLogoff::MayShowBox(const std::u16string& text) {
  // No one is there to read a box while the session ends.
  if (sessionEnding_) return false;
  if (!exiting_ || finishing_) return true;
  const auto same = [&](const std::u16string& told) { return FirstLine(told) == FirstLine(text); };
  if (std::none_of(toldAtExit_.begin(), toldAtExit_.end(), same)) toldAtExit_.push_back(text);
  return false;
}

void ExitAndLogoff::BoxClosed(const std::u16string& text) {
  if (exiting_ && !finishing_) toldAtExit_.emplace_back(text);
}

std::vector<std::u16string> ExitAndLogoff::StartFinishing() {
  finishing_ = true;
  return std::exchange(toldAtExit_, {});
}
