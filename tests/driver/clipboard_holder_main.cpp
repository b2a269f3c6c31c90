// The other program that some e2e cases need: it keeps the clipboard open
// until released. Arguments: the names of the event it sets once the
// clipboard is open and of the event that releases it; then, to own the
// clipboard instead, a picture's seed and "text" or "alone".
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver.h"

namespace {
std::wstring Widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) return 2;
  e2e::ClipboardContent owns;
  if (argc == 5) owns = e2e::ClipboardContent{std::atoi(argv[3]), std::strcmp(argv[4], "text") == 0};
  return e2e::HoldClipboardUntilReleased(Widen(argv[1]).c_str(), Widen(argv[2]).c_str(), argc == 5 ? &owns : nullptr);
}
