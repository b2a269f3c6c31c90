// The program from the outside: start-up, the hot key saving a file, its
// failure messages, one instance at a time, and the exit command.
#include <algorithm>

#include "e2e_fixture.h"
#include "support/image_decoder.h"

#include <shellapi.h>

namespace {

using e2e::Bytes;

constexpr wchar_t kCaption[] = L"剪切板Tarnwick";
constexpr wchar_t kStartupKeyTaken[] = L"注册热键失败, 热键可能已被其他程序占用, 请设置其他热键";

TEST_F(E2E, FirstStartStoresTheDefaultsAndShowsNothingButTheTrayIcon) {
  const int iconsBefore = e2e::WineTrayIconCount();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(tarnwick.Running());

  DWORD type = 0;
  Bytes path, keys;
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ReadSetting(L"Keys", &type, &keys); }, 5000));
  ASSERT_TRUE(e2e::ReadSetting(L"Path", &type, &path));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  std::wstring expected = e2e::DesktopFolder() + L"screenshots\\";
  Bytes expectedPath(440, 0);
  std::copy_n(reinterpret_cast<const std::uint8_t*>(expected.c_str()), expected.size() * 2, expectedPath.begin());
  EXPECT_EQ(expectedPath, path) << "the desktop folder, \\screenshots\\, a NUL and zeros to 440 bytes";
  ASSERT_TRUE(e2e::ReadSetting(L"Keys", &type, &keys));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
  EXPECT_EQ((Bytes{0x69, 0x00, 0x02, 0x00}), keys);

  EXPECT_NE(nullptr, tarnwick.MainWindow());
  EXPECT_TRUE(e2e::VisibleWindows(tarnwick.Pid()).empty()) << "no window of the program is visible";
  if (iconsBefore < 0) GTEST_SKIP() << "the notification area cannot be inspected here";
  EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WineTrayIconCount() == iconsBefore + 1; }, 3000))
      << "one tray icon added";
}

TEST_F(E2E, HotKeySavesTheClipboardBitmapIntoTheDefaultFolderCreatedWhenMissing) {
  const std::wstring defaultFolder = e2e::DesktopFolder() + L"screenshots\\";
  e2e::DeleteTree(defaultFolder);
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());

  const Bytes block = testsupport::RgbDib(64, 48, 24, 3);
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(block));
  const std::wstring saved = SaveWithHotKey(defaultFolder);
  ASSERT_FALSE(saved.empty()) << "no file appeared";
  EXPECT_EQ(std::vector<std::wstring>{saved}, e2e::FilesIn(defaultFolder)) << "one file, no temporary one left";
  EXPECT_EQ(L".bmp", saved.substr(saved.size() - 4));

  Bytes file;
  ASSERT_TRUE(e2e::ReadFileBytes(defaultFolder + saved, &file));
  ASSERT_EQ(14 + block.size(), file.size());
  EXPECT_EQ((Bytes{'B', 'M'}), Bytes(file.begin(), file.begin() + 2));
  EXPECT_EQ(file.size(), testsupport::GetU32(file, 2));
  EXPECT_EQ(54u, testsupport::GetU32(file, 10));
  EXPECT_EQ(block, Bytes(file.begin() + 14, file.end()));
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty()) << "a successful save shows nothing";

  if (testsupport::ImageDecoderAvailable()) {
    testsupport::DecodedImage decoded;
    const std::wstring path = defaultFolder + saved;
    ASSERT_TRUE(testsupport::DecodeImage(std::u16string(path.begin(), path.end()), &decoded));
    const testsupport::DecodedImage expected = testsupport::PixelsOfRgbDib(block, 40);
    EXPECT_EQ(expected.width, decoded.width);
    EXPECT_EQ(expected.height, decoded.height);
    EXPECT_TRUE(expected.rgb == decoded.rgb);
  }
  EXPECT_EQ(0, tarnwick.Exit());
}

TEST_F(E2E, OnlyTextOnTheClipboardSavesNothingAndShowsNothing) {
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(testsupport::PutTextOnRealClipboard(u"just text"));
  e2e::PressDefaultHotKey();
  e2e::Pump(1500);
  EXPECT_FALSE(e2e::Exists(folder)) << "not even the folder is made";
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty());
}

// One failure: the box the user sees, and the program still saving after it.
void ExpectOneErrorBox(const e2e::TarnwickProcess& tarnwick, const wchar_t* text) {
  e2e::MessageBoxSeen box;
  ASSERT_TRUE(e2e::WaitForMessageBox(tarnwick.Pid(), &box)) << "no message box";
  EXPECT_EQ(text, box.text);
  EXPECT_EQ(kCaption, box.caption);
  EXPECT_TRUE(box.errorIcon) << "the error icon";
  e2e::Pump(300);
  EXPECT_EQ(1u, e2e::MessageBoxes(tarnwick.Pid()).size()) << "exactly one box";
  EXPECT_TRUE(e2e::DismissMessageBox(box));
}

TEST_F(E2E, ClipboardHeldByAnotherProgramIsReportedAndTheNextPressSaves) {
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24)));
  {
    e2e::ForeignClipboardHold hold;
    ASSERT_TRUE(hold.holding());
    e2e::PressDefaultHotKey();
    ExpectOneErrorBox(tarnwick, L"打开剪切板失败");
  }
  EXPECT_FALSE(e2e::Exists(folder));
  EXPECT_FALSE(SaveWithHotKey(folder).empty()) << "the program keeps working";
}

TEST_F(E2E, FolderLevelThatIsAFileIsReportedAndNothingIsWritten) {
  const std::wstring blocker = scratch + L"blocker";
  HANDLE f = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  folder = blocker + L"\\shots\\";
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24)));
  e2e::PressDefaultHotKey();
  ExpectOneErrorBox(tarnwick, L"创建目录失败");
  EXPECT_EQ(std::vector<std::wstring>{L"blocker"}, e2e::FilesIn(scratch));
}

TEST_F(E2E, FolderThatCannotBeCreatedIsReportedAndTheProgramGoesOn) {
  // A drive letter that does not exist here.
  const DWORD drives = GetLogicalDrives();
  wchar_t letter = L'Q';
  while (letter > L'D' && (drives & (1u << (letter - L'A')))) --letter;
  folder = std::wstring(1, letter) + L":\\tarnwick\\shots\\";
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24)));
  e2e::PressDefaultHotKey();
  ExpectOneErrorBox(tarnwick, L"创建目录失败");
  EXPECT_TRUE(tarnwick.Running());
}

TEST_F(E2E, SecondInstanceOfTheSameNameLeavesSilently) {
  StoreSettings();
  const int iconsBefore = e2e::WineTrayIconCount();
  e2e::TarnwickProcess first;
  ASSERT_TRUE(first.Start());

  e2e::TarnwickProcess second;
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(0, second.WaitForExit(5000)) << "the second instance ends at once";
  EXPECT_TRUE(e2e::MessageBoxes(second.Pid()).empty());
  EXPECT_TRUE(e2e::MessageBoxes(first.Pid()).empty());
  EXPECT_TRUE(first.Running());
  if (iconsBefore >= 0) {
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WineTrayIconCount() == iconsBefore + 1; }, 3000));
    e2e::Pump(300);
    EXPECT_EQ(iconsBefore + 1, e2e::WineTrayIconCount()) << "no second icon";
  }

  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(4, 4, 24)));
  EXPECT_FALSE(SaveWithHotKey(folder).empty()) << "the first instance keeps working";
}

TEST_F(E2E, CopyUnderAnotherNameRunsAndReportsTheTakenHotKey) {
  StoreSettings();
  e2e::TarnwickProcess first;
  ASSERT_TRUE(first.Start());

  const std::wstring copy = scratch + L"TarnwickCopy.exe";
  ASSERT_TRUE(CopyFileW(e2e::TarnwickPath().c_str(), copy.c_str(), FALSE));
  e2e::TarnwickProcess second;
  ASSERT_TRUE(second.Start(copy));
  e2e::MessageBoxSeen box;
  ASSERT_TRUE(e2e::WaitForMessageBox(second.Pid(), &box));
  EXPECT_EQ(kStartupKeyTaken, box.text);
  EXPECT_EQ(kCaption, box.caption);
  EXPECT_TRUE(box.errorIcon);
  EXPECT_TRUE(e2e::DismissMessageBox(box));
  EXPECT_TRUE(second.Running());
  EXPECT_EQ(0, second.Exit());
  EXPECT_TRUE(first.Running());
}

TEST_F(E2E, ExitCommandRemovesTheIconFreesTheHotKeyAndEndsWithCodeZero) {
  StoreSettings();
  const int iconsBefore = e2e::WineTrayIconCount();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(4, 4, 24)));
  EXPECT_FALSE(SaveWithHotKey(folder).empty()) << "the program holds the key";

  EXPECT_EQ(0, tarnwick.Exit());
  if (iconsBefore >= 0) {
    EXPECT_EQ(iconsBefore, e2e::WineTrayIconCount()) << "the icon is gone";
  }
  EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_NUMPAD9)) << "the key is free again";
  UnregisterHotKey(nullptr, 1);
}

TEST_F(E2E, HotKeyHeldByAnotherProgramAtStartIsReportedAndTheProgramRuns) {
  StoreSettings();
  ASSERT_TRUE(RegisterHotKey(nullptr, 7, MOD_CONTROL, VK_NUMPAD9));
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  e2e::MessageBoxSeen box;
  ASSERT_TRUE(e2e::WaitForMessageBox(tarnwick.Pid(), &box));
  EXPECT_EQ(kStartupKeyTaken, box.text);
  EXPECT_EQ(kCaption, box.caption);
  EXPECT_TRUE(e2e::DismissMessageBox(box));
  UnregisterHotKey(nullptr, 7);
  e2e::Pump(200);
  EXPECT_TRUE(tarnwick.Running());
  EXPECT_TRUE(e2e::VisibleWindows(tarnwick.Pid()).empty());
  EXPECT_EQ(0, tarnwick.Exit());
}

// Hand-edited or damaged "Keys" words that no keystroke produces: Control
// with no key, every bit, Control + Shift + Alt with no key, Control with the
// left Control key as its key.
TEST_F(E2E, StoredKeysThatCannotBeAHotKeyAreReportedAtStartKeptAndNeverSave) {
  for (DWORD word : {0x00020000u, 0xFFFFFFFFu, 0x00070000u, 0x000200A2u}) {
    ASSERT_TRUE(e2e::WriteFolderSetting(folder));
    ASSERT_TRUE(e2e::WriteKeysSetting(word));
    e2e::TarnwickProcess tarnwick;
    ASSERT_TRUE(tarnwick.Start());
    e2e::MessageBoxSeen box;
    ASSERT_TRUE(e2e::WaitForMessageBox(tarnwick.Pid(), &box)) << std::hex << word;
    EXPECT_EQ(kStartupKeyTaken, box.text);
    EXPECT_TRUE(e2e::DismissMessageBox(box));

    ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(4, 4, 24)));
    e2e::PressKeys({}, VK_LCONTROL);
    e2e::Pump(1000);
    EXPECT_TRUE(e2e::BitmapsIn(folder).empty()) << std::hex << word;
    DWORD type = 0;
    Bytes keys;
    ASSERT_TRUE(e2e::ReadSetting(L"Keys", &type, &keys));
    const auto* stored = reinterpret_cast<const std::uint8_t*>(&word);
    EXPECT_EQ(Bytes(stored, stored + 4), keys) << "kept as stored";
    EXPECT_EQ(0, tarnwick.Exit());
  }
}

}  // namespace

namespace {

// Wine's Shell_NotifyIconW talks to the first window of the class
// "Shell_TrayWnd": one of the driver's, made after Wine's own, refuses every
// icon, as a shell that is not ready yet does.
int g_refusedAdds = 0;
LRESULT CALLBACK RefusingTray(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
  if (reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData == NIM_ADD) ++g_refusedAdds;
  return FALSE;
}

TEST_F(E2E, IconRefusedAtStartIsAddedByALaterAttempt) {
  StoreSettings();
  const int iconsBefore = e2e::WineTrayIconCount();
  if (iconsBefore < 0) GTEST_SKIP() << "the notification area cannot be inspected here";
  WNDCLASSW cls{};
  cls.lpfnWndProc = RefusingTray;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"Shell_TrayWnd";
  RegisterClassW(&cls);
  HWND tray = CreateWindowExW(0, cls.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start()) << "start-up does not wait for the icon";
  const DWORD started = GetTickCount();
  EXPECT_TRUE(e2e::WaitUntil([] { return g_refusedAdds >= 3; }, 5000)) << g_refusedAdds;
  EXPECT_GE(GetTickCount() - started, 700u) << "with pauses between the attempts";
  EXPECT_EQ(iconsBefore, e2e::WineTrayIconCount());
  DestroyWindow(tray);
  EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WineTrayIconCount() == iconsBefore + 1; }, 10000));
  EXPECT_EQ(0, tarnwick.Exit());
}

TEST_F(E2E, ShellRestartGetsTheIconAddedAgain) {
  StoreSettings();
  const int iconsBefore = e2e::WineTrayIconCount();
  if (iconsBefore < 0) GTEST_SKIP() << "the notification area cannot be inspected here";
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::WineTrayIconCount() == iconsBefore + 1; }, 3000));

  // A restarted shell has forgotten every icon, then tells every top-level
  // window that the taskbar is back.
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = tarnwick.MainWindow();
  icon.uID = 0;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::WineTrayIconCount() == iconsBefore; }, 3000));
  PostMessageW(tarnwick.MainWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::WineTrayIconCount() == iconsBefore + 1; }, 3000));
  EXPECT_EQ(0, tarnwick.Exit());
}

}  // namespace
