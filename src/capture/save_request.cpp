#include "capture/save_request.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>

#include "capture/save_clipboard.h"
#include "capture/save_turns.h"
#include "capture/take_picture.h"
#include "common/app_state.h"
#include "common/error_box.h"
#include "platform/owners.h"

namespace {

struct Press {
  std::uint64_t ticket = 0;
  bool automatic = false;
  // The folder and format as they were at the press: the settings may change
  // meanwhile.
  char16_t folder[kPathChars] = {};
  std::uint32_t format = kFormatBmp;
  // The file is named after the press, however long it waits for its turn.
  platform::LocalTime time;
};

// Never destroyed: a worker that outlives the exit wait may still use it.
SaveTurns& Turns() {
  static SaveTurns* turns = new SaveTurns;
  return *turns;
}

SaveEndedHandler s_onSaveEnded = nullptr;

int StartSave(bool automatic) {
  platform::Platform& os = platform::Current();
  std::unique_ptr<Press> press(new (std::nothrow) Press);
  if (press == nullptr) {
    ShowErrorBox(kThreadFailedText);
    return 1;
  }
  press->automatic = automatic;
  std::copy_n(g_szPath, kPathChars, press->folder);
  press->format = g_dwFormat;
  press->time = os.clock.Now();
  press->ticket = Turns().Enter();
  const platform::ThreadHandle thread(os.threads, os.threads.Start(SaveWorkerThread, press.get()));
  if (thread.get() == nullptr) {
    Turns().Withdraw(press->ticket);
    ShowErrorBox(kThreadFailedText);
    return 1;
  }
  press.release();  // the worker's now
  return 0;
}

}  // namespace

void SetSaveEndedHandler(SaveEndedHandler handler) { s_onSaveEnded = handler; }

std::uint32_t SaveWorkerThread(void* parameter) {
  const std::unique_ptr<Press> press(static_cast<Press*>(parameter));
  SaveTurns& turns = Turns();

  turns.WaitToTake(press->ticket);
  TakenPicture picture = TakePicture();
  SaveResult result = picture.result;
  bool written = false;
  if (result == SAVE_OK && picture.noMemory) {
    // Too large to copy: written while the clipboard is held, as long as no
    // earlier save is still to be written. Holding the clipboard while they
    // are would stop every other program's copy for as long.
    if (turns.IsTurnToWrite(press->ticket)) {
      result = SaveStraightFromClipboard(press->folder, press->format, press->time);
      written = true;
    } else {
      result = SAVE_ERR_BITMAP_DATA;
    }
  }
  turns.Taken(press->ticket);

  turns.WaitToWrite(press->ticket);
  if (result == SAVE_OK && !written) result = SaveTakenPicture(press->folder, press->format, press->time, picture);
  picture.copy = platform::MemoryCopy();
  // Handed on before the turn passes, so that once every save is written no
  // worker touches anything more.
  if (s_onSaveEnded != nullptr) s_onSaveEnded(result, press->automatic);
  turns.Written(press->ticket);
  return 0;
}

int HandleHotKeyPress() { return StartSave(false); }

int RequestAutomaticSave() { return StartSave(true); }

void ShowSaveResult(SaveResult result, bool automatic) {
  const char16_t* text = SaveResultText(result);
  if (std::u16string_view(text) == kNoErrorText) return;
  if (!automatic) {
    ShowErrorBox(text);
    return;
  }
  // A folder that has gone away would otherwise stack a box for every copy.
  static bool s_automaticBoxUp = false;
  if (s_automaticBoxUp) return;
  s_automaticBoxUp = true;
  ShowErrorBox(text);
  s_automaticBoxUp = false;
}

bool WaitForPendingSaves(std::uint32_t timeoutMs) { return Turns().WaitUntilAllWritten(timeoutMs); }
