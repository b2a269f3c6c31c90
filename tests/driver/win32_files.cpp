#include "win32_files.h"

#include <windows.h>

namespace testsupport {

bool ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>* content) {
  // Every share flag: under Wine a file just moved into place can still be
  // held open by the mover for a moment (error 32 with FILE_SHARE_READ alone).
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  content->assign(GetFileSize(f, nullptr), 0);
  DWORD read = 0;
  const BOOL ok = content->empty() || ReadFile(f, content->data(), static_cast<DWORD>(content->size()), &read, nullptr);
  CloseHandle(f);
  return ok && read == content->size();
}

std::wstring NewTempFolder(const std::wstring& prefix) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  LARGE_INTEGER tick;
  QueryPerformanceCounter(&tick);
  for (unsigned attempt = 0;; ++attempt) {
    const std::wstring folder =
        std::wstring(temp) + prefix + std::to_wstring(static_cast<unsigned long long>(tick.QuadPart) + attempt) + L"\\";
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
}

}  // namespace testsupport
