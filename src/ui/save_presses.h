// What the window's thread does with saves: the hot key's press, and a new
// clipboard picture while "AutoSave" is on, each add one to the queue; each
// save's end is shown: a failure in its box, a success in a balloon when
// "Notify" is on. The tray menu's 打开保存目录 and a click on the balloon open
// Explorer. Portable: no window calls here, so that it runs on the fake
// platform too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/save_result.h"

class SaveQueue;

// How long the exit waits for a save to end before it gives up on a folder
// that hangs.
constexpr std::uint32_t kExitQuietMs = 30000;
// Windows ends a program that has not answered WM_ENDSESSION after about 5 s.
constexpr std::uint32_t kSessionEndWaitMs = 4000;
// Saves that end this soon after the balloon share it.
constexpr std::uint32_t kBalloonShareMs = 2000;
// What a balloon's text holds, its NUL aside.
constexpr std::size_t kBalloonTextChars = 255;

class SavePresses {
 public:
  // How the main window is told, from any thread, to come back here.
  struct Signals {
    void (*saveEnded)() = nullptr;                // then ShowEnded
    void (*requestFailed)(SaveResult) = nullptr;  // then TellFailure
  };

  explicit SavePresses(SaveQueue& queue);
  SavePresses(const SavePresses&) = delete;
  SavePresses& operator=(const SavePresses&) = delete;

  // The main window's start: the leftovers a killed save left in the save
  // folder are swept.
  void Start(Signals signals);

  // A press of the hot key: 1, after its message, when no worker could be
  // started; else 0. A press beyond the queue's bound is told in a box.
  int Press();
  // A new picture on the clipboard, saved without a key: the same save,
  // which leaves private content alone.
  void SaveNewPicture();

  // WM_SAVE_ENDED: each ended save's failure in a box, one box per text at a
  // time, so that a held key or a copy burst into a failing folder shows
  // one; each success in the balloon. While saves are still to be written,
  // the main window names them to logoff and shutdown.
  void ShowEnded();
  // A failure that a request off the window's thread reported.
  void TellFailure(SaveResult result);

  // 打开保存目录: the save folder in Explorer, made first when missing, as a
  // save makes it. Off the window's thread: Explorer may take a second.
  void OpenSaveFolder();
  // A click on the balloon: Explorer with the last saved file selected, or
  // its folder when the file is gone.
  void ShowLastSaved();

  // The exit command: the saves that end from now on, and a box the quit
  // closes, are shown by FinishAtExit, since the quit on its way would close
  // a box shown before.
  void Exit() { exiting_ = true; }
  // After the main window has gone: waits for every save pressed before the
  // exit, showing their failures as ever. False when `quietMs` pass with saves
  // left and none of them ending (a folder that hangs).
  bool FinishAtExit(std::uint32_t quietMs);
  // WM_ENDSESSION: when the session ends, waits for the saves at most
  // `waitMs`, and shows no box from then on.
  void EndSession(bool ending, std::uint32_t waitMs);

 private:
  int Add(bool automatic);
  void TellEnded();
  void ShowFailure(const char16_t* text);
  void ShowSaved(const std::u16string& file);
  void FollowShutdownBlock();
  void Request(bool openFolder, const std::u16string& path);

  SaveQueue& queue_;
  Signals signals_;
  std::vector<std::u16string> boxesUp_;
  // Failures the exit's wait shows: told after the exit command, or in a box
  // that the exit closed.
  std::vector<std::u16string> toldAtExit_;
  bool finishing_ = false;  // in FinishAtExit
  bool blockingShutdown_ = false;
  bool sessionEnding_ = false;
  bool exiting_ = false;
  // The balloon showing now: when it came, how many saves share it, the last.
  std::uint32_t balloonAt_ = 0;
  int balloonSaves_ = 0;
  std::u16string lastSaved_;
};
