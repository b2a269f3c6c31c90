#include "platform/win32/debug_log.h"

#include <cwchar>

namespace platform {

DWORD LogFailure(const wchar_t* call, DWORD error) {
  // Callers may still look at GetLastError(), which the output call changes.
  const DWORD lastError = GetLastError();
  wchar_t line[160];
  std::swprintf(line, sizeof line / sizeof line[0], L"Tarnwick: %ls failed, error %lu\n", call,
                static_cast<unsigned long>(error));
  OutputDebugStringW(line);
  SetLastError(lastError);
  return error;
}

DWORD LogLastError(const wchar_t* call) { return LogFailure(call, GetLastError()); }

}  // namespace platform
