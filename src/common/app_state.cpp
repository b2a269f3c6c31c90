#include "common/app_state.h"

std::int32_t g_nHotKeyId = kFirstHotKeyId;
void* g_hMainWnd = nullptr;
std::int32_t g_bHotKeyRegistered = 0;
std::uint32_t g_dwRefusedKeys = 0;
std::int32_t g_bHelpDlgOpen = 0;
std::int32_t g_bConfigDlgOpen = 0;
std::int32_t g_bAboutDlgOpen = 0;

std::uint32_t g_dwKeys = 0;
platform::Handle g_hConfigKey = nullptr;
char16_t g_szPath[kPathChars] = {};
std::uint32_t g_dwFormat = kFormatBmp;
std::int32_t g_bAutoSave = 0;
std::int32_t g_bNotify = 0;
char16_t g_szNameFormat[kNameFormatChars] = TARNWICK_DEFAULT_NAME_FORMAT;
