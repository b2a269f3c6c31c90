#include "ui/core/saved_notification.h"

#include "capture/write_picture.h"
#include "common/app_state.h"
#include "common/safe_format.h"
#include "common/texts.h"
#include "platform/owners.h"

// The requests' failures, kept until the window takes them.
struct SavedNotification::Failures {
  std::unique_ptr<platform::Monitor> monitor;
  // Guarded by the monitor.
  std::vector<SaveFault> faults;
  void (*signal)() = nullptr;
};

// One request to Explorer, owned by the thread that makes it.
struct SavedNotification::Request {
  platform::Platform& os;
  std::shared_ptr<Failures> failures;
  bool openFolder = false;  // the save folder, made first; else a saved file
  std::u16string path;
};

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

}  // namespace

SavedNotification::SavedNotification(platform::Platform& os)
    : os_(os), failures_(std::make_shared<Failures>(Failures{os.threads.NewMonitor(), {}, nullptr})) {}

void SavedNotification::SetFailedSignal(void (*signal)()) {
  failures_->monitor->Lock();
  failures_->signal = signal;
  failures_->monitor->Unlock();
}

void SavedNotification::Saved(const std::u16string& file, bool quiet) {
  lastSaved_ = file;
  if (g_bNotify == 0 || quiet) return;
  const std::uint32_t now = os_.clock.Milliseconds();
  // A held key or a burst of copies: one balloon, naming the last file.
  if (balloonSaves_ > 0 && now - balloonAt_ < kBalloonShareMs) {
    ++balloonSaves_;
  } else {
    balloonSaves_ = 1;
    balloonAt_ = now;
  }
  os_.shell.ShowBalloon(g_hMainWnd, kSavedBalloonTitle, SavedBalloonText(file, balloonSaves_).c_str());
}

bool SavedNotification::OpenSaveFolder(const char16_t* folder) { return Ask(true, folder); }

bool SavedNotification::ShowLastSaved() { return lastSaved_.empty() || Ask(false, lastSaved_); }

std::vector<SaveFault> SavedNotification::TakeFailures() {
  failures_->monitor->Lock();
  std::vector<SaveFault> faults = std::move(failures_->faults);
  failures_->faults.clear();
  failures_->monitor->Unlock();
  return faults;
}

bool SavedNotification::Ask(bool openFolder, const std::u16string& path) {
  auto request = std::make_unique<Request>(Request{os_, failures_, openFolder, path});
  const platform::ThreadHandle thread(os_.threads, os_.threads.Start(AskExplorer, request.get()));
  if (thread.get() == nullptr) return false;
  request.release();  // the thread's now
  return true;
}

std::uint32_t SavedNotification::AskExplorer(void* parameter) {
  const std::unique_ptr<Request> request(static_cast<Request*>(parameter));
  platform::Platform& os = request->os;
  if (request->openFolder) {
    std::u16string folder;
    const SaveFault fault = MakeSaveFolder(os.files, request->path.c_str(), &folder);
    if (fault.result == SAVE_OK) {
      os.shell.OpenFolder(folder.c_str());
      return 0;
    }
    Failures& failures = *request->failures;
    failures.monitor->Lock();
    failures.faults.push_back(fault);
    void (*signal)() = failures.signal;
    failures.monitor->Unlock();
    if (signal != nullptr) signal();
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
