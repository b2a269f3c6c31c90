#include "platform/debug_log.h"

#include <windows.h>

#include <cwchar>

namespace platform {

std::uint32_t LogFailure(const wchar_t* call, std::uint32_t error) {
  // Callers may still look at GetLastError(), which the output call changes.
  const DWORD lastError = GetLastError();
  wchar_t line[160];
  std::swprintf(line, sizeof line / sizeof line[0], L"Tarnwick: %ls failed, error %lu\n", call,
                static_cast<unsigned long>(error));
  OutputDebugStringW(line);
  SetLastError(lastError);
  return error;
}

std::uint32_t LogLastError(const wchar_t* call) { return LogFailure(call, GetLastError()); }

}  // namespace platform
