#include "wine_paths.h"

#include <windows.h>

#include <cstring>

namespace e2e {
namespace {
using UnixNameFn = char*(CDECL*)(const wchar_t*);

// Exported by Wine's kernel32 only.
UnixNameFn WineUnixName() {
  return reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
}
}  // namespace

bool RunningUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring UnixPathOf(const std::wstring& windowsPath) {
  const UnixNameFn unixName = WineUnixName();
  char* name = unixName != nullptr ? unixName(windowsPath.c_str()) : nullptr;
  if (name == nullptr) return L"";
  std::wstring result(name, name + std::strlen(name));
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

}  // namespace e2e
