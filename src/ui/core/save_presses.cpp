#include "ui/core/save_presses.h"

#include <algorithm>
#include <string_view>

#include "capture/save_queue.h"
#include "common/app_state.h"
#include "common/texts.h"
#include "dialogs/boxes.h"

std::u16string SaveFailureText(platform::MessageBoxes& boxes, const SaveFault& fault) {
  const char16_t* first = SaveResultText(fault.result);
  switch (fault.result) {
    case SAVE_ERR_CREATE_DIR:
    case SAVE_ERR_CREATE_FILE:
      return FailureText(boxes, first, FailureDetails{fault.where, fault.error, fault.holder, true});
    case SAVE_ERR_WRITE_FILE:
    case SAVE_ERR_OPEN_CLIPBOARD:
    case SAVE_ERR_BITMAP_DATA:
      return FailureText(boxes, first, FailureDetails{fault.where, fault.error, fault.holder, false});
    default:
      return first;
  }
}

SavePresses::SavePresses(platform::Platform& os, SaveQueue& queue)
    : os_(os), queue_(queue), notification_(os), ending_(os.session, queue) {}

void SavePresses::Start(Signals signals) {
  queue_.SetEndedSignal(signals.saveEnded);
  notification_.SetFailedSignal(signals.requestFailed);
  // A killed save's leftover lies in the sub-folder its file was going to.
  const std::u16string_view nameFormat(g_szNameFormat);
  queue_.Sweep(g_szPath, static_cast<int>(std::count(nameFormat.begin(), nameFormat.end(), u'\\')));
}

int SavePresses::Press() { return Add(false); }

void SavePresses::SaveNewPicture() { Add(true); }

int SavePresses::Add(bool automatic) {
  switch (queue_.Add(OrderNow(os_.clock, automatic))) {
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
  ending_.FollowShutdownBlock();
  return 0;
}

void SavePresses::ShowEnded() {
  if (!ending_.Exiting()) TellEnded();
}

void SavePresses::TellEnded() {
  ending_.FollowShutdownBlock();
  // Saves that ended together, a held key's into a failing folder: each
  // failure once, told by the first of them, since the outcomes taken here
  // wait for no box to close.
  std::vector<std::u16string> failures;
  for (const SaveOutcome& outcome : queue_.TakeEnded()) {
    if (outcome.fault.result == SAVE_OK && !outcome.file.empty()) {
      notification_.Saved(outcome.file, ending_.SessionEnding());
      continue;
    }
    const std::u16string_view first = SaveResultText(outcome.fault.result);
    const auto same = [&](const std::u16string& told) { return FirstLine(told) == first; };
    if (first != kNoErrorText && std::none_of(failures.begin(), failures.end(), same)) {
      failures.push_back(SaveFailureText(os_.messageBoxes, outcome.fault));
    }
  }
  for (const std::u16string& text : failures) ShowFailure(text);
}

void SavePresses::ShowFailedRequests() {
  for (const SaveFault& fault : notification_.TakeFailures()) ShowFailure(SaveFailureText(os_.messageBoxes, fault));
}

void SavePresses::OpenSaveFolder() {
  if (!notification_.OpenSaveFolder(g_szPath)) ShowFailure(kThreadFailedText);
}

void SavePresses::ShowLastSaved() {
  if (!notification_.ShowLastSaved()) ShowFailure(kThreadFailedText);
}

bool SavePresses::FinishAtExit(std::uint32_t quietMs) {
  for (const std::u16string& text : ending_.StartFinishing()) ShowFailure(text);
  for (;;) {
    // Looked at before the outcomes are taken: once it is idle, every
    // outcome is among them.
    const bool idle = queue_.Idle();
    TellEnded();
    if (idle) return true;
    if (!queue_.WaitForAnEnd(quietMs)) return false;
  }
}

void SavePresses::ShowFailure(const std::u16string& text) {
  if (!ending_.MayShowBox(text)) return;
  const std::u16string first(FirstLine(text));
  if (std::find(boxesUp_.begin(), boxesUp_.end(), first) != boxesUp_.end()) return;
  boxesUp_.push_back(first);
  const bool exitingBefore = ending_.Exiting();
  // Modal: saves that end meanwhile are shown by the box's own loop.
  ShowErrorBox(os_.messageBoxes, text.c_str());
  boxesUp_.erase(std::find(boxesUp_.begin(), boxesUp_.end(), first));
  if (!exitingBefore) ending_.BoxClosed(text);
}
