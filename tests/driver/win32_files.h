// Files and folders for the Windows-side tests. Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// The whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>* content);

// A new, empty folder in the temporary folder, its name starting with
// `prefix`, ending with a backslash. (Wine reuses process ids between runs, so
// names come from the performance counter and are tried until one is new.)
std::wstring NewTempFolder(const std::wstring& prefix);

}  // namespace testsupport
