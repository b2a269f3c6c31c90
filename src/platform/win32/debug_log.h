// Why a platform call failed, for whoever watches the debugger output (a
// debug viewer on Windows; under Wine 8, WINEDEBUG=warn+seh). Never shown to
// the user.
#pragma once

#include <windows.h>

namespace platform {

// Writes one line, "Tarnwick: <call> failed, error <code>", with
// OutputDebugStringW; GetLastError() is left as it was. Returns `error`, so a
// caller can log and pass it on.
DWORD LogFailure(const wchar_t* call, DWORD error);
// The same with GetLastError().
DWORD LogLastError(const wchar_t* call);

}  // namespace platform
