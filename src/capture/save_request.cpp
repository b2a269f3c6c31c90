#include "capture/save_request.h"

#include "common/app_state.h"
#include "common/error_box.h"
#include "common/safe_format.h"
#include "common/bounded_text.h"
#include "capture/save_clipboard.h"
#include "platform/owners.h"

namespace {
constexpr std::uint32_t kResultShowDelayMs = 50;
}  // namespace

std::uint32_t SaveWorkerThread(void* resultBuffer) {
  const SaveResult result = SaveClipboardBitmap();
  // No result text holds a percent sign, so the text serves as its own format.
  SafeFormat(static_cast<char16_t*>(resultBuffer), kResultChars, SaveResultText(result));
  return 0;
}

namespace {

// Runs one save on a worker thread and waits for it; false, after the
// message, when no thread could be started or it did not end well.
bool RunSaveWorker(platform::Platform& os, char16_t* result) {
  const platform::ThreadHandle thread(os.threads, os.threads.Start(SaveWorkerThread, result));
  if (thread.get() == nullptr) {
    ShowErrorBox(kThreadFailedText);
    return false;
  }
  // The user-interface thread does nothing else until the save has ended, so
  // two saves never overlap; it blocks rather than polls.
  os.threads.WaitUntilEnded(thread.get());
  std::uint32_t code = 1;
  if (!os.threads.ExitCode(thread.get(), &code) || code != 0) {
    ShowErrorBox(kFatalErrorText);
    return false;
  }
  return true;
}

}  // namespace

int HandleHotKeyPress() {
  platform::Platform& os = platform::Current();
  char16_t result[kResultChars];
  std::fill_n(result, kResultChars, u'\0');
  if (!RunSaveWorker(os, result)) return 1;

  os.threads.Pause(kResultShowDelayMs);
  if (std::u16string_view(result) != kNoErrorText) ShowErrorBox(result);
  return 0;
}
