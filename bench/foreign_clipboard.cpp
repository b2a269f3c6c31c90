#include "foreign_clipboard.h"

#include <windows.h>

#include <string>

#include "driver.h"
#include "picture.h"
#include "win32_clipboard.h"

namespace bench {

bool PutPictureFromOtherProcess(int width, int height, std::uint32_t seed) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --put-dib " + std::to_wstring(width) + L" " +
                                   std::to_wstring(height) + L" " + std::to_wstring(seed);
  DWORD code = STILL_ACTIVE;
  return e2e::RunProcess(commandLine, 0, 60000, &code) && code == 0;
}

int PutPictureAndExit(int width, int height, std::uint32_t seed) {
  return testsupport::PutDibOnRealClipboard(ClipboardBlock(ExpectedFile(width, height, seed))) ? 0 : 1;
}

}  // namespace bench
