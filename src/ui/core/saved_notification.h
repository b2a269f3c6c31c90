// What the user sees of a save that worked, and Explorer on its files: the
// balloon on the tray icon after a save, while "Notify" is on, which names
// the file and its folder and is shared by saves in quick succession; a
// click on it selects the last file in Explorer. And 打开保存目录: the save
// folder in Explorer, made first when missing, as a save makes it. Explorer
// is asked off the window's thread, since it may take a second to answer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/save_result.h"
#include "platform/platform.h"

// Saves that end this soon after the balloon share it.
constexpr std::uint32_t kBalloonShareMs = 2000;
// What a balloon's text holds, its NUL aside.
constexpr std::size_t kBalloonTextChars = 255;

class SavedNotification {
 public:
  explicit SavedNotification(platform::Platform& os);
  SavedNotification(const SavedNotification&) = delete;
  SavedNotification& operator=(const SavedNotification&) = delete;

  // Called on Explorer's thread when a request failed; the failure is then
  // waiting in TakeFailures.
  void SetFailedSignal(void (*signal)());

  // A save wrote `file`: the balloon, unless "Notify" is off or `quiet`.
  void Saved(const std::u16string& file, bool quiet);
  // 打开保存目录, on `folder`. False when no thread could be started.
  bool OpenSaveFolder(const char16_t* folder);
  // A click on the balloon: Explorer with the last saved file selected, or
  // its folder when the file is gone. False when no thread could be started.
  bool ShowLastSaved();
  // The requests that failed since the last call.
  std::vector<SaveFault> TakeFailures();

 private:
  struct Failures;
  struct Request;
  static std::uint32_t AskExplorer(void* request);
  bool Ask(bool openFolder, const std::u16string& path);

  platform::Platform& os_;
  // Shared with the requests under way, which may outlive this object.
  std::shared_ptr<Failures> failures_;
  // The balloon showing now: when it came, how many saves share it, the last.
  std::uint32_t balloonAt_ = 0;
  int balloonSaves_ = 0;
  std::u16string lastSaved_;
};
