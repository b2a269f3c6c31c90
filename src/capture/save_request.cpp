#include "capture/save_request.h"

#include "common/app_state.h"
#include "common/error_box.h"
#include "common/safe_format.h"
#include "common/bounded_text.h"
#include "capture/save_clipboard.h"

namespace {
constexpr std::uint32_t kResultShowDelayMs = 50;
}  // namespace

std::uint32_t SaveWorkerThread(void* resultBuffer) {
  const SaveResult result = SaveClipboardBitmap();
  // No result text holds a percent sign, so the text serves as its own format.
  SafeFormat(static_cast<char16_t*>(resultBuffer), kResultChars, SaveResultText(result));
  return 0;
}

int HandleHotKeyPress() {
  platform::Platform& os = platform::Current();
  char16_t result[kResultChars];
  std::fill_n(result, kResultChars, u'\0');

  const platform::Handle thread = os.threads.Start(SaveWorkerThread, result);
  if (thread == nullptr) {
    ShowErrorBox(kThreadFailedText);
    return 1;
  }

  // The user-interface thread does nothing else until the save has ended, so
  // two saves never overlap; it blocks rather than polls.
  os.threads.WaitUntilEnded(thread);
  std::uint32_t code = 1;
  if (!os.threads.ExitCode(thread, &code) || code != 0) {
    ShowErrorBox(kFatalErrorText);
    os.threads.Close(thread);
    return 1;
  }
  os.threads.Close(thread);
  os.threads.Pause(kResultShowDelayMs);

  if (std::u16string_view(result) != kNoErrorText) {
    ShowErrorBox(result);
  }
  return 0;
}
