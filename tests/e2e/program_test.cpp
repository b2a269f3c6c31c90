// The program from the outside: start-up, the hot key saving a file, its
// failure messages, one instance at a time, and the exit command.
#include <algorithm>
#include <cwchar>
#include <memory>

#include "e2e_fixture.h"
#include "support/image_decoder.h"

namespace {

using e2e::Bytes;

constexpr wchar_t kCaption[] = L"剪切板Tarnwick";
constexpr wchar_t kStartupKeyTaken[] = L"注册热键失败, 热键可能已被其他程序占用, 请设置其他热键";

TEST_F(E2E, FirstStartStoresTheDefaultsAndShowsNothingButTheTrayIcon) {
  e2e::ShellTray tray;
  if (!tray.observing()) GTEST_SKIP() << e2e::kTrayNotObservable;
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(tarnwick.Running());

  DWORD type = 0;
  Bytes path, keys;
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ReadSetting(L"Keys", &type, &keys); }, 10000));
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
  EXPECT_TRUE(e2e::WaitUntil([&] { return tray.icons() == 1; }, 10000)) << "one tray icon added";
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
  ASSERT_TRUE(e2e::WaitUntilHandled(tarnwick.MainWindow()));
  // Saves end in press order: the next press's picture is the only file,
  // and a box for the text would be up by the time the window is idle.
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24)));
  const std::wstring saved = SaveWithHotKey(folder);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(std::vector<std::wstring>{saved}, e2e::FilesIn(folder)) << "the text press saved nothing";
  ASSERT_TRUE(e2e::WaitUntilHandled(tarnwick.MainWindow()));
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty());
}

// A press took the promised picture: it asked for the block, and closed the
// clipboard again once its copy was made.
bool Taken(const testsupport::PromisedDib& picture) {
  return e2e::WaitUntil([&] { return picture.requests() > 0; }, 10000) && e2e::ClipboardOpenWaitMs(10000) <= 10000;
}

// One failure: the box the user sees, and the program still saving after it.
void ExpectOneErrorBox(const e2e::TarnwickProcess& tarnwick, const wchar_t* text, std::wstring* linesUnder = nullptr) {
  e2e::MessageBoxSeen box;
  ASSERT_TRUE(e2e::WaitForMessageBox(tarnwick.Pid(), &box)) << "no message box";
  EXPECT_EQ(text, box.FirstLine());
  if (linesUnder != nullptr) *linesUnder = box.LinesUnder();
  EXPECT_EQ(kCaption, box.caption);
  EXPECT_TRUE(box.errorIcon) << "the error icon";
  // The window has dispatched what came before: a second box would be up.
  ASSERT_TRUE(e2e::WaitUntilHandled(tarnwick.MainWindow()));
  EXPECT_EQ(1u, e2e::MessageBoxes(tarnwick.Pid()).size()) << "exactly one box";
  EXPECT_TRUE(e2e::DismissMessageBox(box));
}

TEST_F(E2E, ClipboardHeldLongIsReportedAndHeldForAMomentIsWaitedFor) {
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24)));
  {
    e2e::ForeignClipboardHold hold;  // until the box shows: well past the save's patience
    ASSERT_TRUE(hold.holding());
    e2e::PressDefaultHotKey();
    std::wstring lines;
    ExpectOneErrorBox(tarnwick, L"打开剪切板失败", &lines);
    EXPECT_EQ(L"\n原因: 剪切板正被 tarnwick_clipboard_holder.exe 占用", lines) << "the holder, by its file name";
  }
  EXPECT_FALSE(e2e::Exists(folder));

  // Held for about 100 ms, as clipboard managers do after Print Screen.
  auto hold = std::make_unique<e2e::ForeignClipboardHold>();
  ASSERT_TRUE(hold->holding());
  e2e::PressDefaultHotKey();
  e2e::Pump(100);
  hold.reset();
  EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::BitmapsIn(folder).size() == 1; }, 10000)) << "the save waited";
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty());
}

TEST_F(E2E, PicturesOfOneSecondGetNumberedNamesAndARepeatMakesNoFile) {
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  const Bytes a = testsupport::RgbDib(32, 16, 24, 1), b = testsupport::RgbDib(32, 16, 24, 2);
  // Three presses must fall into one second: start each try just after a
  // second begins, and try again when they did not.
  for (int attempt = 0; attempt < 4; ++attempt) {
    e2e::DeleteTree(folder);
    SYSTEMTIME start{}, end{};
    e2e::WaitUntil([&] { GetLocalTime(&start); return start.wMilliseconds < 150; }, 2000);
    ASSERT_TRUE(testsupport::PutDibOnRealClipboard(a));
    const auto pressAndWaitFor = [&](std::size_t files) {
      e2e::PressDefaultHotKey();
      return e2e::WaitUntil([&] { return e2e::BitmapsIn(folder).size() >= files; }, 10000);
    };
    ASSERT_TRUE(pressAndWaitFor(1));
    {
      // The same picture copied again: the press takes it (it asks for the
      // promised block) and finds it already saved, so it makes no file.
      testsupport::PromisedDib again(a);
      ASSERT_TRUE(again.promised());
      e2e::PressDefaultHotKey();
      ASSERT_TRUE(e2e::WaitUntil([&] { return again.requests() > 0; }, 10000)) << "the repeat took its picture";
    }
    ASSERT_TRUE(testsupport::PutDibOnRealClipboard(b));
    ASSERT_TRUE(pressAndWaitFor(2));
    GetLocalTime(&end);
    if (end.wSecond != start.wSecond) continue;

    const std::wstring plain = e2e::SaveNameAt(start);
    const std::wstring second = plain.substr(0, plain.size() - 4) + L" (2).bmp";
    EXPECT_EQ((std::vector<std::wstring>{second, plain}), e2e::FilesIn(folder)) << "nothing else, nothing hidden";
    Bytes file;
    ASSERT_TRUE(e2e::ReadFileBytes(folder + plain, &file));
    EXPECT_EQ(e2e::BmpFileOf(a), file);
    ASSERT_TRUE(e2e::ReadFileBytes(folder + second, &file));
    EXPECT_EQ(e2e::BmpFileOf(b), file) << "the repeat made no file of its own before it";
    EXPECT_EQ(0u, GetFileAttributesW((folder + second).c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY));
    EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty());
    return;
  }
  FAIL() << "three presses never fell into one second";
}

TEST_F(E2E, NameHeldOpenByAnotherProgramSendsThePictureOnToTheNextName) {
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  // Hold the names of this second and the next half minute, sharing nothing:
  // the press falls among them however slowly it comes.
  std::vector<std::wstring> held;
  std::vector<HANDLE> handles;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  FILETIME time{};
  SystemTimeToFileTime(&now, &time);
  for (int s = 0; s < 30; ++s) {
    ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
    ticks.QuadPart += 10000000ull * s;
    const FILETIME later{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME t{};
    FileTimeToSystemTime(&later, &t);
    held.push_back(e2e::SaveNameAt(t));
    handles.push_back(CreateFileW((folder + held.back()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_NE(INVALID_HANDLE_VALUE, handles.back());
  }
  const Bytes block = testsupport::RgbDib(8, 8, 24);
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(block));
  const std::wstring saved = SaveWithHotKey(folder);
  for (HANDLE h : handles) CloseHandle(h);

  ASSERT_FALSE(saved.empty());
  const bool nextToAHeldName = std::any_of(held.begin(), held.end(), [&](const std::wstring& name) {
    return saved == name.substr(0, name.size() - 4) + L" (2).bmp";
  });
  EXPECT_TRUE(nextToAHeldName) << std::string(saved.begin(), saved.end());
  Bytes file;
  ASSERT_TRUE(e2e::ReadFileBytes(folder + saved, &file));
  EXPECT_EQ(e2e::BmpFileOf(block), file);
  for (const auto& name : held) {
    ASSERT_TRUE(e2e::ReadFileBytes(folder + name, &file));
    EXPECT_TRUE(file.empty()) << "a held file is left as it was";
  }
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty());
}

TEST_F(E2E, KilledDuringALargeSaveLeavesNoPartialPictureAndTheNextSaveClearsUp) {
  StoreSettings();
  const Bytes large = testsupport::RgbDib(7680, 4320, 32);  // 127 MiB
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(large));
  const auto temporaryFiles = [&] { return e2e::FilesIn(folder, L".tarnwick-*.tmp"); };
  {
    e2e::TarnwickProcess tarnwick;
    ASSERT_TRUE(tarnwick.Start());
    e2e::PressDefaultHotKey();
    // Watch closely, without pumping, and kill as soon as the file is begun.
    const DWORD begin = GetTickCount();
    while (temporaryFiles().empty() && GetTickCount() - begin < 20000) Sleep(2);
    tarnwick.Kill();
  }
  ASSERT_EQ(1u, temporaryFiles().size()) << "the save was under way";
  EXPECT_NE(0u, GetFileAttributesW((folder + temporaryFiles()[0]).c_str()) & FILE_ATTRIBUTE_HIDDEN)
      << "a leftover is hidden";
  for (const auto& name : e2e::BitmapsIn(folder)) {
    Bytes file;
    ASSERT_TRUE(e2e::ReadFileBytes(folder + name, &file));
    EXPECT_EQ(e2e::BmpFileOf(large), file) << "a .bmp name holds only a whole picture";
  }

  // The system closes a killed process's handles as it ends it; the leftover
  // can be swept once no handle to it is open anywhere.
  const std::wstring leftover = folder + temporaryFiles()[0];
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        HANDLE f = CreateFileW(leftover.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        CloseHandle(f);
        return true;
      },
      20000));

  e2e::TarnwickProcess again;
  ASSERT_TRUE(again.Start());
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24)));
  EXPECT_FALSE(SaveWithHotKey(folder).empty());
  EXPECT_TRUE(temporaryFiles().empty()) << "the next save removed the leftover";
}

TEST_F(E2E, FolderLevelThatIsAFileIsReportedAndNothingIsWritten) {
  const std::wstring blocker = scratch + L"blocker";
  HANDLE f = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(f);
  folder = blocker + L"\\shots\\";
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  const DWORD pid = tarnwick.Pid();
  // A held key: 30 presses where the system ignores MOD_NOREPEAT (Wine), each failing.
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24)));
  e2e::HeldKeys({VK_CONTROL}, VK_NUMPAD9).Repeat(29, 33);
  e2e::MessageBoxSeen box;
  ASSERT_TRUE(e2e::WaitForMessageBox(pid, &box));
  // A press that fails otherwise: saves end in press order, so once its box
  // is up every repeat's failure has been told.
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(8, 8, 24, 2)));
  {
    e2e::ForeignClipboardHold hold;
    ASSERT_TRUE(hold.holding());
    e2e::PressDefaultHotKey();
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::MessageBoxes(pid).size() >= 2; }, 10000));
  }
  std::vector<std::wstring> texts;
  for (const auto& shown : e2e::MessageBoxes(pid)) {
    texts.push_back(shown.FirstLine());
    EXPECT_TRUE(e2e::DismissMessageBox(shown));
  }
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ((std::vector<std::wstring>{L"创建目录失败", L"打开剪切板失败"}), texts) << "one box for the held key";

  // A press, then 退出: its failure is told before the process ends.
  testsupport::PromisedDib last(testsupport::RgbDib(8, 8, 24, 3));
  ASSERT_TRUE(last.promised());
  e2e::PressDefaultHotKey();
  ASSERT_TRUE(Taken(last));
  tarnwick.PostExitCommand();
  std::vector<e2e::MessageBoxSeen> boxes;
  ASSERT_TRUE(e2e::WaitUntil([&] { return tarnwick.MainWindow() == nullptr && !(boxes = e2e::MessageBoxes(pid)).empty(); },
                             10000)) << "no box once the window had gone";
  EXPECT_TRUE(tarnwick.Running());
  EXPECT_EQ(L"创建目录失败", boxes[0].FirstLine());
  EXPECT_TRUE(e2e::DismissMessageBox(boxes[0]));
  EXPECT_EQ(0, tarnwick.WaitForExit(10000)) << "the process ends once the box is closed";
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
  std::wstring lines;
  ExpectOneErrorBox(tarnwick, L"创建目录失败", &lines);
  EXPECT_EQ(0u, lines.find(std::wstring(L"\n位置: ") + letter + L":\\")) << "the drive's level";
  EXPECT_NE(std::wstring::npos, lines.find(L"\n原因: ")) << "Windows' own text";
  EXPECT_TRUE(tarnwick.Running());
}

TEST_F(E2E, FullDiskIsAWriteFailureThatLeavesNothingAndKeepsTheGoodFile) {
  wchar_t drive[8] = {};
  if (GetEnvironmentVariableW(L"TARNWICK_SMALL_DISK", drive, 8) == 0) {
    GTEST_SKIP() << "no small disk here: script/test mounts one (a tmpfs as drive T:) only where it may";
  }
  folder = std::wstring(drive) + L"shots\\";
  const std::wstring filler = std::wstring(drive) + L"filler";
  e2e::DeleteTree(folder);
  DeleteFileW(filler.c_str());
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(16, 16, 24)));
  const std::wstring good = SaveWithHotKey(folder);
  ASSERT_FALSE(good.empty());
  Bytes goodBytes;
  ASSERT_TRUE(e2e::ReadFileBytes(folder + good, &goodBytes));

  // Fill the disk, then give back 64 KiB: less than the next picture needs.
  HANDLE f = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, f);
  const std::vector<char> chunk(64 * 1024, 'f');
  DWORD written = 0;
  while (WriteFile(f, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) && written > 0) {
  }
  EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
  SetFilePointer(f, -64 * 1024, nullptr, FILE_END);
  SetEndOfFile(f);
  CloseHandle(f);

  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(256, 256, 32)));  // 256 KiB
  e2e::PressDefaultHotKey();
  ExpectOneErrorBox(tarnwick, L"写入文件失败");
  EXPECT_EQ(std::vector<std::wstring>{good}, e2e::FilesIn(folder)) << "no new file, no temporary one";
  Bytes now;
  ASSERT_TRUE(e2e::ReadFileBytes(folder + good, &now));
  EXPECT_EQ(goodBytes, now);
  DeleteFileW(filler.c_str());
  e2e::DeleteTree(folder);
}

// The saved files in the order of their names: second, then number, as
// "2026-3-4_5-6-07 (2).bmp".
std::vector<std::wstring> BitmapsInNameOrder(const std::wstring& folder) {
  const auto place = [](const std::wstring& name) {
    std::vector<int> p(7, 1);
    swscanf(name.c_str(), L"%d-%d-%d_%d-%d-%d (%d)", &p[0], &p[1], &p[2], &p[3], &p[4], &p[5], &p[6]);
    return p;
  };
  auto names = e2e::BitmapsIn(folder);
  std::sort(names.begin(), names.end(), [&](const auto& x, const auto& y) { return place(x) < place(y); });
  return names;
}

// A folder as slow as a network share (writes 20 MB/s, each flush 1 s): a
// held key saves its picture once; the clipboard and the window stay free
// while pictures are written, presses keep their order; the exit waits for
// what was pressed before it while a new copy starts, and a logoff for the
// save under way. Pictures are promised (delayed rendering), so the driver
// sees each press take its own.
TEST_F(E2E, SlowFolderLeavesClipboardAndWindowFreeKeepsPressOrderAndExitKeepsThePressedSaves) {
  wchar_t drive[8] = {};
  if (GetEnvironmentVariableW(L"TARNWICK_SLOW_FOLDER", drive, 8) == 0) {
    GTEST_SKIP() << "no slow folder here: script/test mounts one (FUSE, as drive S:) only where it may";
  }
  folder = std::wstring(drive) + L"shots\\";
  e2e::DeleteTree(folder);
  StoreSettings();
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  const HWND main = tarnwick.MainWindow();
  const auto temporaryFiles = [&] { return e2e::FilesIn(folder, L".tarnwick-*.tmp"); };
  const auto pressFor = [](const testsupport::PromisedDib& picture) {
    ASSERT_TRUE(picture.promised());
    e2e::PressDefaultHotKey();
    ASSERT_TRUE(Taken(picture)) << "the press took no picture";
  };

  // A held key on one 3840x2160 picture (31.6 MiB, 2.6 s into this folder):
  // the first press takes it, 29 repeats follow 33 ms apart while it is
  // written. Where MOD_NOREPEAT is ignored (Wine) each is a press.
  const Bytes held = testsupport::RgbDib(3840, 2160, 32, 9);
  SYSTEMTIME pressed{}, taken{};
  {
    testsupport::PromisedDib picture(held);
    ASSERT_TRUE(picture.promised());
    GetLocalTime(&pressed);
    e2e::HeldKeys key({VK_CONTROL}, VK_NUMPAD9);
    ASSERT_TRUE(Taken(picture)) << "the first press took no picture";
    GetLocalTime(&taken);
    key.Repeat(29, 33);
  }
  // 3 MiB each: the folder, not the picture, makes these saves slow. Each is
  // taken at its press, while the held key's picture is still written.
  const Bytes a = testsupport::RgbDib(1024, 768, 32, 1), b = testsupport::RgbDib(1024, 768, 32, 2),
              c = testsupport::RgbDib(1024, 768, 32, 3), e = testsupport::RgbDib(1024, 768, 32, 5);
  testsupport::PromisedDib promisedA(a);
  pressFor(promisedA);
  testsupport::PromisedDib promisedB(b);
  pressFor(promisedB);

  DWORD slowestClipboard = 0, slowestAnswer = 0;
  int probes = 0;
  const DWORD start = GetTickCount();
  while (e2e::BitmapsIn(folder).size() < 3 && GetTickCount() - start < 60000) {
    slowestClipboard = std::max(slowestClipboard, e2e::ClipboardOpenWaitMs(250));
    slowestAnswer = std::max(slowestAnswer, e2e::WindowAnswerMs(main, 250));
    ++probes;
    e2e::Pump(50);
  }
  EXPECT_GE(probes, 3) << "watched too few times during the saves";
  EXPECT_LE(slowestClipboard, 250u) << "the clipboard was held during a save";
  EXPECT_LE(slowestAnswer, 250u) << "the main window did not answer during a save";
  // Written in press order: once b's file is there, the repeats made none.
  auto names = BitmapsInNameOrder(folder);
  ASSERT_EQ(3u, names.size()) << "the held key's picture once, then a and b";
  EXPECT_TRUE(names[0] == e2e::SaveNameAt(pressed) || names[0] == e2e::SaveNameAt(taken))
      << "named for the first press";
  const auto holds = [&](const std::wstring& name, const Bytes& block) {
    Bytes file;
    return e2e::ReadFileBytes(folder + name, &file) && e2e::BmpFileOf(block) == file;
  };
  EXPECT_TRUE(holds(names[0], held));
  EXPECT_TRUE(holds(names[1], a)) << "the first press's picture comes first";
  EXPECT_TRUE(holds(names[2], b));
  EXPECT_TRUE(e2e::MessageBoxes(tarnwick.Pid()).empty());

  // 退出 while c is written and the held key's picture again waits: the
  // icon, the key and the single-instance guard go at once, so a new copy
  // starts while the first still saves.
  testsupport::PromisedDib promisedC(c);
  ASSERT_TRUE(promisedC.promised());
  e2e::PressDefaultHotKey();
  ASSERT_TRUE(e2e::WaitUntil([&] { return !temporaryFiles().empty(); }, 10000)) << "the save did not begin";
  testsupport::PromisedDib promisedD(held);
  pressFor(promisedD);
  tarnwick.PostExitCommand();
  ASSERT_TRUE(e2e::WaitUntil([&] { return tarnwick.MainWindow() == nullptr; }, 10000));
  EXPECT_TRUE(tarnwick.Running()) << "the exit waits for the saves";
  EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_NUMPAD9)) << "the key is given back at once";
  UnregisterHotKey(nullptr, 1);
  e2e::TarnwickProcess again;
  ASSERT_TRUE(again.Start());
  EXPECT_TRUE(again.Running() && again.MainWindow() != nullptr) << "the new copy runs";
  EXPECT_EQ(0, tarnwick.WaitForExit(40000)) << "the first copy ends";
  names = BitmapsInNameOrder(folder);
  ASSERT_EQ(5u, names.size()) << "the saves pressed before the exit have their files";
  EXPECT_TRUE(holds(names[3], c));
  EXPECT_TRUE(holds(names[4], held));
  EXPECT_TRUE(temporaryFiles().empty()) << "no temporary file left";

  // A scanner holds the next save's temporary file without sharing its
  // deletion, until the save gives up: one box; a different picture pressed
  // meanwhile is saved, and once the scanner lets go a later save leaves no
  // temporary file.
  const Bytes lost = testsupport::RgbDib(3840, 2160, 32, 6), f = testsupport::RgbDib(1024, 768, 32, 7),
              g = testsupport::RgbDib(1024, 768, 32, 8);
  testsupport::PromisedDib promisedLost(lost);
  pressFor(promisedLost);
  HANDLE scanner = INVALID_HANDLE_VALUE;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        const auto names = temporaryFiles();
        if (names.empty()) return false;
        scanner = CreateFileW((folder + names[0]).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        return scanner != INVALID_HANDLE_VALUE;
      },
      10000))
      << "the temporary file was not caught before its move";
  testsupport::PromisedDib promisedF(f);
  pressFor(promisedF);
  e2e::MessageBoxSeen box;
  ASSERT_TRUE(e2e::WaitForMessageBox(again.Pid(), &box, 40000));
  EXPECT_EQ(L"写入文件失败", box.FirstLine());
  const std::wstring lines = box.LinesUnder();
  EXPECT_EQ(0u, lines.find(L"\n位置: " + folder)) << "the final file in its folder";
  EXPECT_EQ(std::wstring::npos, lines.find(L".tmp")) << "never the temporary name";
  EXPECT_NE(std::wstring::npos, lines.find(L"\n原因: ")) << "Windows' own text";
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::BitmapsIn(folder).size() == 6; }, 20000)) << "f is saved";
  EXPECT_EQ(1u, e2e::MessageBoxes(again.Pid()).size());
  for (const auto& name : temporaryFiles()) {
    EXPECT_NE(0u, GetFileAttributesW((folder + name).c_str()) & FILE_ATTRIBUTE_HIDDEN) << "nothing to see";
  }
  CloseHandle(scanner);
  ASSERT_TRUE(e2e::DismissMessageBox(box));
  testsupport::PromisedDib promisedG(g);
  pressFor(promisedG);
  ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::BitmapsIn(folder).size() == 7; }, 20000)) << "g is saved";
  names = BitmapsInNameOrder(folder);
  EXPECT_TRUE(holds(names[5], f));
  EXPECT_TRUE(holds(names[6], g));
  EXPECT_TRUE(e2e::WaitUntil([&] { return temporaryFiles().empty(); }, 10000)) << "the held file was swept";

  // A logoff during a save: WM_ENDSESSION returns once the file is written,
  // and Windows then ends the process.
  testsupport::PromisedDib promisedE(e);
  ASSERT_TRUE(promisedE.promised());
  e2e::PressDefaultHotKey();
  ASSERT_TRUE(e2e::WaitUntil([&] { return !temporaryFiles().empty(); }, 10000)) << "the save did not begin";
  DWORD_PTR answer = 0;
  ASSERT_NE(0, SendMessageTimeoutW(again.MainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                                   &answer));
  EXPECT_EQ(static_cast<DWORD_PTR>(TRUE), answer) << "a logoff is never refused";
  ASSERT_NE(0, SendMessageTimeoutW(again.MainWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000,
                                   &answer));
  EXPECT_TRUE(e2e::MessageBoxes(again.Pid()).empty());
  again.Kill();
  names = BitmapsInNameOrder(folder);
  ASSERT_EQ(8u, names.size()) << "the save pressed before the logoff is on the disk";
  EXPECT_TRUE(holds(names[7], e));
  EXPECT_TRUE(temporaryFiles().empty());
  e2e::DeleteTree(folder);
}

TEST_F(E2E, SecondInstanceOfTheSameNameLeavesSilently) {
  StoreSettings();
  e2e::ShellTray tray;
  if (!tray.observing()) GTEST_SKIP() << e2e::kTrayNotObservable;
  e2e::TarnwickProcess first;
  ASSERT_TRUE(first.Start());

  e2e::TarnwickProcess second;
  ASSERT_TRUE(second.Start());
  EXPECT_EQ(0, second.WaitForExit(10000)) << "the second instance ends while the first runs";
  EXPECT_TRUE(e2e::MessageBoxes(second.Pid()).empty());
  EXPECT_TRUE(e2e::MessageBoxes(first.Pid()).empty());
  EXPECT_TRUE(first.Running());
  // The second has ended, so every record it sent has come.
  EXPECT_TRUE(e2e::WaitUntil([&] { return tray.icons() == 1; }, 10000)) << "no second icon";

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

TEST_F(E2E, EscAndEnterDoNothingAndCloseFromOutsideRemovesTheIconFreesTheKeyAndEndsWithCodeZero) {
  StoreSettings();
  e2e::ShellTray tray;
  if (!tray.observing()) GTEST_SKIP() << e2e::kTrayNotObservable;
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(e2e::WaitUntil([&] { return tray.icons() == 1; }, 10000));
  const HWND main = tarnwick.MainWindow();
  e2e::PostKey(main, VK_ESCAPE);
  e2e::PostKey(main, VK_RETURN);
  ASSERT_TRUE(e2e::WaitUntilHandled(main)) << "the window is still there";
  ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(4, 4, 24)));
  EXPECT_FALSE(SaveWithHotKey(folder).empty()) << "the program holds the key";

  const Bytes large = testsupport::RgbDib(1920, 1080, 32, 2);
  testsupport::PromisedDib picture(large);
  e2e::PressDefaultHotKey();
  ASSERT_TRUE(Taken(picture));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, tarnwick.WaitForExit(10000));
  EXPECT_EQ(0, tray.icons()) << "the icon is gone";
  EXPECT_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, VK_NUMPAD9)) << "the key is free again";
  UnregisterHotKey(nullptr, 1);
  const auto names = BitmapsInNameOrder(folder);
  ASSERT_EQ(2u, names.size()) << "the save pressed before the close has its file";
  Bytes file;
  EXPECT_TRUE(e2e::ReadFileBytes(folder + names[1], &file) && e2e::BmpFileOf(large) == file) << "whole";
}

TEST_F(E2E, HotKeyHeldByAnotherProgramAtStartIsReportedAndTakenUpOnceFree) {
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
  EXPECT_TRUE(tarnwick.Running());
  // Taken up unasked and untold: a press with a new picture every 0.5 s until one saves.
  bool saved = false;
  for (std::uint8_t press = 1; press <= 60 && !saved; ++press) {
    ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(4, 4, 24, press)));
    e2e::PressDefaultHotKey();
    saved = e2e::WaitUntil([&] { return !e2e::BitmapsIn(folder).empty(); }, 500);
  }
  EXPECT_TRUE(saved && e2e::MessageBoxes(tarnwick.Pid()).empty());
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

    // Not registered: a keystroke the word names is free for another program.
    const UINT key = word & 0xFFFF;
    if (key != 0 && key <= 0xFF) {
      EXPECT_TRUE(RegisterHotKey(nullptr, 6, MOD_CONTROL, key)) << std::hex << word;
      UnregisterHotKey(nullptr, 6);
    }
    ASSERT_TRUE(testsupport::PutDibOnRealClipboard(testsupport::RgbDib(4, 4, 24)));
    e2e::PressKeys({}, VK_LCONTROL);
    ASSERT_TRUE(e2e::WaitUntilHandled(tarnwick.MainWindow()));
    DWORD type = 0;
    Bytes keys;
    ASSERT_TRUE(e2e::ReadSetting(L"Keys", &type, &keys));
    const auto* stored = reinterpret_cast<const std::uint8_t*>(&word);
    EXPECT_EQ(Bytes(stored, stored + 4), keys) << "kept as stored";
    // The exit waits for every save asked for before it.
    EXPECT_EQ(0, tarnwick.Exit());
    EXPECT_TRUE(e2e::BitmapsIn(folder).empty()) << std::hex << word;
  }
}

}  // namespace

namespace {

TEST_F(E2E, IconRefusedAtStartIsAddedByALaterAttempt) {
  StoreSettings();
  e2e::ShellTray tray;
  if (!tray.observing()) GTEST_SKIP() << e2e::kTrayNotObservable;
  // The third refused add is followed at once by a modify that the shell,
  // ready again, refuses for an icon it does not hold: only a later add
  // brings the icon, on a fast machine and a slow one alike.
  tray.RefuseAdds(3);
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start()) << "start-up does not wait for the icon";
  const DWORD started = GetTickCount();
  EXPECT_TRUE(e2e::WaitUntil([&] { return tray.refusedAdds() == 3; }, 15000)) << tray.refusedAdds();
  EXPECT_GE(GetTickCount() - started, 700u) << "with pauses between the attempts";
  // The pauses double up to 30 s: the next attempt comes within that.
  EXPECT_TRUE(e2e::WaitUntil([&] { return tray.icons() == 1; }, 40000));
  EXPECT_EQ(0, tarnwick.Exit());
}

TEST_F(E2E, ShellRestartGetsTheIconAddedAgain) {
  StoreSettings();
  e2e::ShellTray tray;
  if (!tray.observing()) GTEST_SKIP() << e2e::kTrayNotObservable;
  e2e::TarnwickProcess tarnwick;
  ASSERT_TRUE(tarnwick.Start());
  ASSERT_TRUE(e2e::WaitUntil([&] { return tray.icons() == 1; }, 10000));

  // A restarted shell has forgotten every icon, then tells every top-level
  // window that the taskbar is back.
  tray.Forget();
  PostMessageW(tarnwick.MainWindow(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(e2e::WaitUntil([&] { return tray.icons() == 1; }, 10000));
  EXPECT_EQ(0, tarnwick.Exit());
}

}  // namespace
