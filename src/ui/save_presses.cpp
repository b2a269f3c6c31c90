#include "ui/save_presses.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>

#include "capture/save_queue.h"
#include "capture/write_picture.h"
#include "common/app_state.h"
#include "common/safe_format.h"
#include "dialogs/boxes.h"
#include "platform/owners.h"
#include "platform/platform.h"

namespace {

constexpr char16_t kEllipsis[] = u"...";

// The balloon's text for `saves` saves, the last of them `file`: its name,
// then its folder, the folder shortened from its start to fit the balloon.
std::u16string SavedBalloonText(const std::u16string& file, int saves) {
  const std::size_t slash = file.find_last_of(u'\\') + 1;
  std::u16string folder = file.substr(0, slash);
  std::u16string text = file.substr(slash);
  if (saves > 1) {
    char16_t line[kFilePathChars];
    if (SafeFormat(line, kFilePathChars, kSavedManyFormat, text.c_str(), saves) > 0) text = line;
  }
  text += u'\n';
  const std::size_t room = kBalloonTextChars > text.size() ? kBalloonTextChars - text.size() : 0;
  if (folder.size() > room) {
    const std::size_t keep = room > 3 ? room - 3 : 0;
    folder = kEllipsis + folder.substr(folder.size() - keep);
  }
  return (text + folder).substr(0, kBalloonTextChars);
}

// Explorer, asked off the window's thread: it may take a second to answer.
struct ExplorerRequest {
  bool openFolder = false;  // the save folder, made first; else a saved file
  std::u16string path;
  void (*failed)(SaveResult) = nullptr;
};

std::uint32_t AskExplorer(void* parameter) {
  const std::unique_ptr<ExplorerRequest> request(static_cast<ExplorerRequest*>(parameter));
  platform::Platform& os = platform::Current();
  if (request->openFolder) {
    std::u16string folder;
    const SaveResult result = MakeSaveFolder(request->path.c_str(), &folder);
    if (result != SAVE_OK) {
      if (request->failed != nullptr) request->failed(result);
      return 0;
    }
    os.shell.OpenFolder(folder.c_str());
    return 0;
  }
  // A file moved or deleted since: its folder, as far as it goes.
  const platform::OpenFile file(os.files, os.files.OpenForReading(request->path.c_str()));
  if (file.valid()) {
    os.shell.ShowInFolder(request->path.c_str());
  } else {
    os.shell.OpenFolder(request->path.substr(0, request->path.find_last_of(u'\\') + 1).c_str());
  }
  return 0;
}

}  // namespace

SavePresses::SavePresses(SaveQueue& queue) : queue_(queue) {}

void SavePresses::Start(Signals signals) {
  signals_ = signals;
  queue_.SetEndedSignal(signals.saveEnded);
  // A killed save's leftover lies in the sub-folder its file was going to.
  const std::u16string_view nameFormat(g_szNameFormat);
  queue_.Sweep(g_szPath, static_cast<int>(std::count(nameFormat.begin(), nameFormat.end(), u'\\')));
}

int SavePresses::Press() { return Add(false); }

void SavePresses::SaveNewPicture() { Add(true); }

int SavePresses::Add(bool automatic) {
  switch (queue_.Add(OrderNow(automatic))) {
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
  if (!exiting_) TellEnded();
}

void SavePresses::TellEnded() {
  FollowShutdownBlock();
  // Saves that ended together, a held key's into a failing folder: each text
  // once, since the outcomes taken here wait for no box to close.
  std::vector<std::u16string_view> failures;
  for (const SaveOutcome& outcome : queue_.TakeEnded()) {
    if (outcome.result == SAVE_OK && !outcome.file.empty()) {
      ShowSaved(outcome.file);
      continue;
    }
    const std::u16string_view text = SaveResultText(outcome.result);
    if (text != kNoErrorText && std::find(failures.begin(), failures.end(), text) == failures.end()) {
      failures.push_back(text);
    }
  }
  for (const std::u16string_view text : failures) ShowFailure(text.data());
}

void SavePresses::TellFailure(SaveResult result) { ShowFailure(SaveResultText(result)); }

void SavePresses::ShowSaved(const std::u16string& file) {
  lastSaved_ = file;
  if (g_bNotify == 0 || sessionEnding_) return;
  platform::Platform& os = platform::Current();
  const std::uint32_t now = os.clock.Milliseconds();
  // A held key or a burst of copies: one balloon, naming the last file.
  if (balloonSaves_ > 0 && now - balloonAt_ < kBalloonShareMs) {
    ++balloonSaves_;
  } else {
    balloonSaves_ = 1;
    balloonAt_ = now;
  }
  os.shell.ShowBalloon(g_hMainWnd, kSavedBalloonTitle, SavedBalloonText(file, balloonSaves_).c_str());
}

void SavePresses::OpenSaveFolder() { Request(true, g_szPath); }

void SavePresses::ShowLastSaved() {
  if (!lastSaved_.empty()) Request(false, lastSaved_);
}

void SavePresses::Request(bool openFolder, const std::u16string& path) {
  platform::Platform& os = platform::Current();
  auto request = std::make_unique<ExplorerRequest>();
  request->openFolder = openFolder;
  request->path = path;
  request->failed = signals_.requestFailed;
  const platform::ThreadHandle thread(os.threads, os.threads.Start(AskExplorer, request.get()));
  if (thread.get() == nullptr) {
    ShowFailure(kThreadFailedText);
    return;
  }
  request.release();  // the thread's now
}

bool SavePresses::FinishAtExit(std::uint32_t quietMs) {
  finishing_ = true;
  for (const std::u16string& text : std::exchange(toldAtExit_, {})) ShowFailure(text.c_str());
  for (;;) {
    // Looked at before the outcomes are taken: once it is idle, every
    // outcome is among them.
    const bool idle = queue_.Idle();
    TellEnded();
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
  const bool exitingBefore = exiting_;
  // After the exit command the quit on its way would close a box at once:
  // the exit's own wait shows it, once the window has gone.
  if (exiting_ && !finishing_) {
    if (std::find(toldAtExit_.begin(), toldAtExit_.end(), text) == toldAtExit_.end()) toldAtExit_.emplace_back(text);
    return;
  }
  if (std::find(boxesUp_.begin(), boxesUp_.end(), text) != boxesUp_.end()) return;
  boxesUp_.emplace_back(text);
  // Modal: saves that end meanwhile are shown by the box's own loop.
  ShowErrorBox(platform::Current().messageBoxes, text);
  boxesUp_.erase(std::find(boxesUp_.begin(), boxesUp_.end(), text));
  // 退出 while the box was up: the quit closed it, perhaps unread.
  if (exiting_ && !exitingBefore && !finishing_) toldAtExit_.emplace_back(text);
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
