// Why a platform call failed, for whoever watches the debugger output (a
// debug viewer on Windows; under Wine 8, WINEDEBUG=warn+seh). Never shown to
// the user. Declared without <windows.h>, so that the window code needs no
// include from platform/win32; defined there, in the Windows build only.
#pragma once

#include <cstdint>

namespace platform {

// Writes one line, "Tarnwick: <call> failed, error <code>", with
// OutputDebugStringW; GetLastError() is left as it was. Returns `error`, so a
// caller can log and pass it on.
std::uint32_t LogFailure(const wchar_t* call, std::uint32_t error);
// The same with GetLastError().
std::uint32_t LogLastError(const wchar_t* call);

}  // namespace platform
