// The e2e driver. Run plainly it runs the GoogleTest cases; the driver also
// serves as the "other program" some cases need, and as the demonstration
// that script/run gives where there is no display.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "demo.h"
#include "driver.h"

namespace {
std::wstring Widen(const char* text) { return std::wstring(text, text + std::strlen(text)); }
}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--hold-clipboard") == 0) {
    return e2e::HoldClipboardUntilReleased(Widen(argv[2]).c_str(), Widen(argv[3]).c_str());
  }
  if (argc == 2 && std::strcmp(argv[1], "--demo") == 0) return e2e::RunDemo();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
