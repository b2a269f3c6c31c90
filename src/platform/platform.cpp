#include "platform/platform.h"

namespace platform {
namespace {
Platform* s_installed = nullptr;
}

Platform& Current() { return s_installed != nullptr ? *s_installed : Default(); }

void Install(Platform* platform) { s_installed = platform; }

}  // namespace platform
