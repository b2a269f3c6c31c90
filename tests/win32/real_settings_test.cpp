// The settings and the hot key against the real registry and the real
// RegisterHotKey: the stored format read back with the registry's own API,
// the reads' type rules on real values, and keys taken by another process.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/app_state.h"
#include "common/bounded_text.h"
#include "contract/contract_environment.h"
#include "settings/default_settings.h"
#include "settings/hot_key.h"
#include "settings/settings_store.h"
#include "unit/app_state_reset.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr wchar_t kKey[] = L"Software\\ClipboardTarnwick";

struct RawValue {
  DWORD type = REG_NONE;
  Bytes data;
};

// The value as the registry holds it; type REG_NONE when it is missing.
RawValue ReadRaw(const wchar_t* name) {
  RawValue value;
  DWORD size = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, nullptr, &size) !=
      ERROR_SUCCESS) {
    return RawValue{};
  }
  value.data.resize(size);
  RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_ANY | RRF_NOEXPAND, nullptr, value.data.data(), &size);
  return value;
}

void PutRaw(const wchar_t* name, DWORD type, const Bytes& data) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, type, data.data(),
                                           static_cast<DWORD>(data.size())));
}

Bytes FolderBytes(const std::wstring& text) {
  Bytes bytes(440, 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
  }
  return bytes;
}

// The default folder, asked of the shell through another call than the
// program's.
std::wstring ExpectedDefaultFolder() {
  wchar_t desktop[MAX_PATH] = {};
  EXPECT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, desktop));
  return std::wstring(desktop) + L"\\screenshots\\";
}

class RealSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    ResetAppState();
    window_ = CreateWindowExW(0, L"STATIC", L"tarnwick main", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window_);
    g_hMainWnd = window_;
  }

  void TearDown() override {
    RestoreHotKey(real_.hotKeys, false);  // counts as registered, so that exit frees it
    ReleaseHotKey(real_.hotKeys);
    DestroyWindow(window_);
    contract::Current().ReleaseHotKeyElsewhere();
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    ResetAppState();  // the saves of the other tests write BMP
  }

  void Restart() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    InitDefaultSettings(real_.shell);
  }

  platform::Platform& real_ = platform::Default();
  HWND window_ = nullptr;
};

TEST_F(RealSettings, FirstStartStoresThePathAndKeysFormat) {
  ASSERT_TRUE(InitDefaultSettings(real_.shell).ok());
  ASSERT_TRUE(LoadSettings(real_.registry).ok());

  const RawValue path = ReadRaw(L"Path");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), path.type);
  EXPECT_EQ(440u, path.data.size());
  EXPECT_EQ(FolderBytes(ExpectedDefaultFolder()), path.data);
  const RawValue keys = ReadRaw(L"Keys");
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), keys.type);
  EXPECT_EQ((Bytes{0x69, 0x00, 0x02, 0x00}), keys.data);
}

TEST_F(RealSettings, RealValuesOfTheWrongTypeOrSizeAreRewrittenFromMemory) {
  Bytes noNul(440, 0);
  for (std::size_t i = 0; i < noNul.size(); i += 2) noNul[i] = 'A';
  const Bytes stored = FolderBytes(L"D:\\shots\\");
  const Bytes defaults = FolderBytes(ExpectedDefaultFolder());
  // "Keys" is read only after "Path" was, and a refused read changes nothing:
  // memory keeps the defaults, and they are what is written.
  struct Case {
    const char* name;
    DWORD pathType;
    Bytes path;
    DWORD keysType;
    Bytes keys;
    Bytes pathAfter;
  };
  const std::vector<Case> cases = {
      {"\"Path\" REG_SZ", REG_SZ, {'D', 0, ':', 0, '\\', 0, 0, 0}, REG_DWORD, {0x41, 0, 1, 0}, defaults},
      {"\"Path\" without a NUL", REG_BINARY, noNul, REG_DWORD, {0x41, 0, 1, 0}, defaults},
      {"\"Keys\" REG_DWORD of 2 bytes", REG_BINARY, stored, REG_DWORD, {0x41, 0}, stored},
      {"\"Keys\" REG_BINARY of 3 bytes", REG_BINARY, stored, REG_BINARY, {0x41, 0, 1}, stored},
  };
  for (const Case& c : cases) {
    Restart();
    PutRaw(L"Path", c.pathType, c.path);
    PutRaw(L"Keys", c.keysType, c.keys);

    EXPECT_TRUE(LoadSettings(real_.registry).ok()) << c.name;
    const RawValue path = ReadRaw(L"Path");
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), path.type) << c.name;
    EXPECT_EQ(c.pathAfter, path.data) << c.name;
    const RawValue keys = ReadRaw(L"Keys");
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), keys.type) << c.name;
    EXPECT_EQ((Bytes{0x69, 0x00, 0x02, 0x00}), keys.data) << c.name << ": the default, as memory holds it";
    EXPECT_EQ(kDefaultHotKey.Stored(), g_dwKeys) << c.name;
    EXPECT_LT(BoundedLength(g_szPath, kPathChars), static_cast<std::size_t>(kPathChars)) << c.name;
  }
}

TEST_F(RealSettings, FourByteBinaryKeysAndAShortPathAreTakenAsStored) {
  Restart();
  PutRaw(L"Path", REG_BINARY, {'E', 0, ':', 0});
  PutRaw(L"Keys", REG_BINARY, {0x42, 0x00, 0x04, 0x00});
  EXPECT_TRUE(LoadSettings(real_.registry).ok());
  EXPECT_EQ(0x00040042u, g_dwKeys);
  EXPECT_EQ(L"E:" + ExpectedDefaultFolder().substr(2), std::wstring(reinterpret_cast<wchar_t*>(g_szPath)));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), ReadRaw(L"Keys").type) << "nothing was written back";
  EXPECT_EQ(4u, ReadRaw(L"Path").data.size());
}

TEST_F(RealSettings, ShorterSavedFolderLeavesTheLongerOnesTailInTheStoredValue) {
  PersistedSettings next = CurrentSettings();
  next.keys = 0x00010078;
  CopyText(next.folder, kPathChars, u"C:\\a much longer folder\\");
  ASSERT_TRUE(StoreSettings(real_.registry, next, ValuesToWrite{}).ok());
  CopyText(next.folder, kPathChars, u"C:\\b\\");
  next.format = kFormatPng;
  ASSERT_TRUE(StoreSettings(real_.registry, next, ValuesToWrite{}).ok());

  Bytes expected = FolderBytes(L"C:\\a much longer folder\\");
  const Bytes shorter = FolderBytes(L"C:\\b\\");
  std::copy(shorter.begin(), shorter.begin() + 12, expected.begin());
  const RawValue path = ReadRaw(L"Path");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), path.type);
  EXPECT_EQ(expected, path.data);
  EXPECT_EQ((Bytes{0x78, 0x00, 0x01, 0x00}), ReadRaw(L"Keys").data);
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), ReadRaw(L"Format").type);
  EXPECT_EQ((Bytes{0x01, 0x00, 0x00, 0x00}), ReadRaw(L"Format").data);

  ApplySettings(PersistedSettings{});  // an empty folder and BMP, until loaded
  EXPECT_TRUE(LoadSettings(real_.registry).ok());
  EXPECT_EQ(std::u16string(u"C:\\b\\"), std::u16string(g_szPath));
  EXPECT_EQ(kFormatPng, g_dwFormat);
}

TEST_F(RealSettings, KeyHeldByAnotherProcessIsRefusedAtStartAndTakenOnceFree) {
  contract::Environment& env = contract::Current();
  ASSERT_TRUE(env.HoldHotKeyElsewhere(MOD_CONTROL, VK_NUMPAD9));
  SetLastError(0);
  EXPECT_FALSE(real_.hotKeys.Register(window_, 999, MOD_CONTROL, VK_NUMPAD9));
  EXPECT_EQ(static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED), GetLastError());

  ASSERT_TRUE(InitDefaultSettings(real_.shell).ok());
  EXPECT_EQ(SettingsFaultKind::kKeyTakenAtStart, RegisterHotKeyAtStartup(real_.hotKeys, true).kind);
  EXPECT_EQ(1, g_bHotKeyRegistered);

  env.ReleaseHotKeyElsewhere();
  SuspendHotKey(real_.hotKeys);
  EXPECT_TRUE(RestoreHotKey(real_.hotKeys, true).ok());
  EXPECT_FALSE(env.HoldHotKeyElsewhere(MOD_CONTROL, VK_NUMPAD9)) << "now this program holds it";
}

TEST_F(RealSettings, ShiftChosenInTheControlRegistersShiftAndThePressArrives) {
  ASSERT_TRUE(RegisterNewHotKey(real_.hotKeys, {HOTKEYF_SHIFT, VK_F9}).ok());

  INPUT keys[4] = {};
  const WORD sequence[4][2] = {{VK_SHIFT, 0}, {VK_F9, 0}, {VK_F9, KEYEVENTF_KEYUP}, {VK_SHIFT, KEYEVENTF_KEYUP}};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = sequence[i][0];
    keys[i].ki.dwFlags = sequence[i][1];
  }
  ASSERT_EQ(4u, SendInput(4, keys, sizeof(INPUT)));

  // Waits for the message itself; the time is only a bound for a failure.
  MSG message{};
  bool arrived = false;
  const DWORD start = GetTickCount();
  while (!(arrived = PeekMessageW(&message, window_, WM_HOTKEY, WM_HOTKEY, PM_REMOVE) != 0) &&
         GetTickCount() - start < 10000) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  ASSERT_TRUE(arrived);
  EXPECT_EQ(static_cast<WPARAM>(g_nHotKeyId), message.wParam);
  EXPECT_EQ(MAKELPARAM(MOD_SHIFT, VK_F9), message.lParam);
}

TEST_F(RealSettings, ThreeCancelledOpeningsKeepTheKeyUnder1003UntilExit) {
  contract::Environment& env = contract::Current();
  PersistedSettings keys = CurrentSettings();
  keys.keys = 0x00060078;  // Control + Alt + F9
  ApplySettings(keys);
  ASSERT_TRUE(RegisterHotKeyAtStartup(real_.hotKeys, true).ok());
  for (int opening = 0; opening < 3; ++opening) {
    SuspendHotKey(real_.hotKeys);
    EXPECT_TRUE(env.HoldHotKeyElsewhere(MOD_CONTROL | MOD_ALT, VK_F9)) << "suspended: the key is free";
    env.ReleaseHotKeyElsewhere();
    EXPECT_TRUE(RestoreHotKey(real_.hotKeys, true).ok());
  }
  EXPECT_EQ(1003, g_nHotKeyId);
  EXPECT_FALSE(env.HoldHotKeyElsewhere(MOD_CONTROL | MOD_ALT, VK_F9));

  ReleaseHotKey(real_.hotKeys);
  EXPECT_TRUE(env.HoldHotKeyElsewhere(MOD_CONTROL | MOD_ALT, VK_F9));
}

}  // namespace
