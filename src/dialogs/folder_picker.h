// The platform's folder picker: the modern folder dialog where the system has
// it, the older folder browser otherwise.
#pragma once

#include <windows.h>

#include <string>

// Lets the user choose a folder, starting at `start` when it is one. Returns
// the chosen folder's path, or an empty text when the user cancelled.
std::wstring PickFolder(HWND owner, const std::wstring& start);
