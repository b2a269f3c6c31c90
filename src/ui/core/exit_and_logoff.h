// How the program ends while saves may still be under way. After the exit
// command the saves pressed before still get their files, and their
// failures their boxes, once the main window has gone. When the session
// ends (logoff, shutdown) the saves are waited for a little and no box is
// shown. While saves are pending, the main window names them to logoff and
// shutdown.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

class SaveQueue;

// How long the exit waits for a save to end before it gives up on a folder
// that hangs.
constexpr std::uint32_t kExitQuietMs = 30000;
// Windows ends a program that has not answered WM_ENDSESSION after about 5 s.
constexpr std::uint32_t kSessionEndWaitMs = 4000;

class ExitAndLogoff {
 public:
  ExitAndLogoff(platform::Session& session, SaveQueue& queue) : session_(session), queue_(queue) {}
  ExitAndLogoff(const ExitAndLogoff&) = delete;
  ExitAndLogoff& operator=(const ExitAndLogoff&) = delete;

  // The exit command (退出, or WM_CLOSE from outside): a box shown from now
  // on would be closed by the quit on its way, so failures wait for the
  // exit's own wait (StartFinishing). False when the exit was already given:
  // a second one has nothing left to do.
  bool Exit() { return !std::exchange(exiting_, true); }
  bool Exiting() const { return exiting_; }
  // WM_ENDSESSION: when the session ends, waits for the saves at most
  // `waitMs`, and no box is shown from then on.
  void EndSession(bool ending, std::uint32_t waitMs);
  bool SessionEnding() const { return sessionEnding_; }

  // The shutdown reason stands while saves are pending, and goes with them.
  void FollowShutdownBlock();

  // A failure's box may be shown now: not while the session ends, nor
  // between the exit command and the exit's wait, which shows it instead,
  // once for each first line.
  bool MayShowBox(const std::u16string& text);
  // A box shown before the exit command has closed: when the command came
  // while it was up, the quit closed it, perhaps unread, and the exit's
  // wait shows it again.
  void BoxClosed(const std::u16string& text);
  // The exit's wait begins, the main window gone: the failures it is to
  // show, and every box may be shown from now on.
  std::vector<std::u16string> StartFinishing();

 private:
  platform::Session& session_;
  SaveQueue& queue_;
  // Failures told after the exit command, or in a box that the exit closed.
  std::vector<std::u16string> toldAtExit_;
  bool exiting_ = false;
  bool finishing_ = false;  // in the exit's wait
  bool sessionEnding_ = false;
  bool blockingShutdown_ = false;
};
