#include "capture/save_request.h"

#include "app/app_state.h"
#include "app/safe_format.h"
#include "app/wide_text.h"
#include "capture/save_clipboard.h"

namespace {
constexpr char16_t kThreadFailedText[] = u"创建线程失败";
constexpr char16_t kFatalErrorText[] =
    u"程序发生致命性错误, 您可以通过程序的\"关于\"窗口获得作者的联系方式, 反馈问题";
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
  WideZero(result, kResultChars);

  const platform::Handle thread = os.threads.Start(SaveWorkerThread, result);
  if (thread == nullptr) {
    os.messageBoxes.Show(kThreadFailedText, g_szCaption, platform::kMbIconError);
    return 1;
  }

  // The user-interface thread does nothing else until the save has ended, so
  // two saves never overlap; it blocks rather than polls.
  os.threads.WaitUntilEnded(thread);
  std::uint32_t code = 1;
  if (!os.threads.ExitCode(thread, &code) || code != 0) {
    os.messageBoxes.Show(kFatalErrorText, g_szCaption, platform::kMbIconError);
    os.threads.Close(thread);
    return 1;
  }
  os.threads.Close(thread);
  os.threads.Pause(kResultShowDelayMs);

  if (!WideEqual(result, kNoErrorText)) {
    os.messageBoxes.Show(result, g_szCaption, platform::kMbIconError);
  }
  return 0;
}
