#include "platform/platform.h"

namespace platform {
namespace {
Platform* g_installed = nullptr;
}

Platform& Current() { return g_installed != nullptr ? *g_installed : Default(); }

void Install(Platform* platform) { g_installed = platform; }

}  // namespace platform
