#include "foreign_clipboard.h"

#include <windows.h>

#include <string>

#include "driver.h"
#include "picture.h"
#include "support/win32_clipboard.h"

namespace bench {

bool PutPictureFromOtherProcess(int width, int height, std::uint32_t seed) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --put-dib " + std::to_wstring(width) + L" " +
                             std::to_wstring(height) + L" " + std::to_wstring(seed);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  const bool ended = e2e::WaitUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }, 60000);
  DWORD code = 1;
  if (ended) GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ended && code == 0;
}

int PutPictureAndExit(int width, int height, std::uint32_t seed) {
  return testsupport::PutDibOnRealClipboard(ClipboardBlock(ExpectedFile(width, height, seed))) ? 0 : 1;
}

}  // namespace bench
