// Whether the driver runs under Wine, and the Linux names Wine gives files,
// for the Linux programs (ImageMagick, the shell) it runs there.
#pragma once

#include <string>

namespace e2e {

bool RunningUnderWine();
// The Linux path of a file or folder under Wine; empty on Windows, or where
// Wine cannot name it.
std::wstring UnixPathOf(const std::wstring& windowsPath);

}  // namespace e2e
