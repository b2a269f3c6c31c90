#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "capture/save_queue.h"
#include "capture/save_result.h"
#include "dialogs/settings_boxes.h"
#include "save_fixture.h"
#include "support/png_blocks.h"
#include "ui/core/save_presses.h"

namespace {

using testsupport::Bytes;

const std::u16string kTooMany = SaveResultText(SAVE_REFUSED_BUSY);
const std::u16string kNoFolder = SaveResultText(SAVE_ERR_CREATE_DIR);

// Presses as the main window makes them, on a queue of their own; the ends of
// the saves are shown when a test asks, as the window shows them when told.
class HotKeyPressTest : public SaveFixture {
 protected:
  explicit HotKeyPressTest(SaveLimits limits = SaveLimits{}) : queue(os.platform, limits), presses(os.platform, queue) {
    g_hMainWnd = &window;
  }
  ~HotKeyPressTest() override {
    if (holding_) Release();
  }
  // Waits for every save pressed so far, then shows their ends.
  void FinishSaves() {
    ASSERT_TRUE(queue.WaitUntilIdle(10000));
    presses.ShowEnded();
  }
  // Holds the next save just before its file gets its name, until released.
  void HoldNextSaveBeforeItsName() {
    holding_ = true;
    os.files.beforeMove = [this](const std::u16string&) {
      if (held_++ > 0) return;
      reachedMove_.set_value();
      release_.get_future().wait();
    };
  }
  void WaitUntilHeld() { reachedMove_.get_future().wait(); }
  void Release() {
    holding_ = false;
    release_.set_value();
  }
  // Waits until `count` pictures have been taken (the taker is done with the
  // clipboard's block); false if they are not within 10 s.
  bool WaitUntilTaken(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (os.memory.unlocks() < count) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  std::vector<std::u16string> Shown() const {
    std::vector<std::u16string> texts;
    for (const fake::ShownBox& box : os.messageBoxes.shown) texts.emplace_back(FirstLine(box.text));
    return texts;
  }

  int window = 0;  // its address stands for the main window
  SaveQueue queue;
  SavePresses presses;

 private:
  bool holding_ = false;
  int held_ = 0;
  std::promise<void> reachedMove_;
  std::promise<void> release_;
};

// A success shows nothing unless "Notify" is on; then a burst shares one
// balloon, which names its last file, and a click on it selects that file.
TEST_F(HotKeyPressTest, SuccessShowsNothingOrWithNotifyOneBalloonForABurstAndExplorerOnTheLastFile) {
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  EXPECT_EQ(0, presses.Press());
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(savedFile));
  os.clipboard.SetText(u"text");
  EXPECT_EQ(0, presses.Press());
  FinishSaves();
  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_TRUE(os.shell.balloons.empty()) << "off by default";
  EXPECT_EQ(2, os.threads.started) << "two workers serve every save";
  EXPECT_EQ(0, os.threads.openHandles) << "the window's thread keeps no worker's handle";
  EXPECT_EQ(0, os.memory.liveCopies()) << "nothing stays once the saves are written";

  g_bNotify = 1;
  for (std::uint8_t seed = 2; seed <= 4; ++seed) {
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, seed));
    presses.Press();
    FinishSaves();
  }
  ASSERT_EQ(3u, os.shell.balloons.size()) << "each end updates the one balloon showing";
  EXPECT_EQ(u"截图已保存", os.shell.balloons[0].title);
  EXPECT_EQ(&window, os.shell.balloons[0].window);
  EXPECT_EQ(u"2026-3-4_5-6-07 (2).bmp\nD:\\shots\\", os.shell.balloons[0].text) << "the name, then the folder";
  EXPECT_EQ(u"2026-3-4_5-6-07 (4).bmp (共 3 张)\nD:\\shots\\", os.shell.balloons[2].text)
      << "the last file, and how many share the balloon";
  os.clock.skippedMs += kBalloonShareMs;  // after the burst, a balloon of its own
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 5));
  presses.Press();
  FinishSaves();
  EXPECT_EQ(u"2026-3-4_5-6-07 (5).bmp\nD:\\shots\\", os.shell.balloons.back().text);

  // A click on it: Explorer on the last file, off the window's thread; once
  // the file is gone, on its folder.
  const std::u16string last = u"D:\\shots\\2026-3-4_5-6-07 (5).bmp";
  presses.ShowLastSaved();
  ASSERT_TRUE(os.shell.WaitForExplorerCalls(1));
  os.files.Remove(last.c_str());
  presses.ShowLastSaved();
  ASSERT_TRUE(os.shell.WaitForExplorerCalls(2));
  // 打开保存目录 makes a missing folder first, as a save would.
  SetFolder(u"D:\\new\\shots");
  presses.OpenSaveFolder();
  ASSERT_TRUE(os.shell.WaitForExplorerCalls(3));
  EXPECT_EQ((std::vector<std::u16string>{u"select " + last, u"open D:\\shots\\", u"open D:\\new\\shots\\"}),
            os.shell.explorerCalls());
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\new\\shots"));
  // With a sub-folder per month, the start sweeps every month's leftovers and
  // the balloon names the file's own folder.
  CopyText(g_szNameFormat, kNameFormatChars, u"{yyyy}-{MM}\\{dd}_{HH}-{mm}-{ss}");
  os.files.AddFile(u"D:\\new\\shots\\2026-02\\.tarnwick-66.tmp", {1});
  presses.Start(SavePresses::Signals{});
  os.clock.skippedMs += kBalloonShareMs;
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 6));
  presses.Press();
  FinishSaves();
  EXPECT_FALSE(os.files.Exists(u"D:\\new\\shots\\2026-02\\.tarnwick-66.tmp"));
  EXPECT_EQ(u"04_05-06-07.bmp\nD:\\new\\shots\\2026-03\\", os.shell.balloons.back().text);
  // A folder that cannot be made is told with the save's text for that step.
  static std::promise<void> failed;
  failed = std::promise<void>();
  presses.Start(SavePresses::Signals{nullptr, [] { failed.set_value(); }});
  os.files.AddFile(u"D:\\blocked", {1});
  SetFolder(u"D:\\blocked\\shots\\");
  presses.OpenSaveFolder();
  failed.get_future().wait();
  presses.ShowFailedRequests();
  EXPECT_EQ(std::vector<std::u16string>{kNoFolder}, Shown());
  EXPECT_EQ(3u, os.shell.explorerCalls().size());
}

// Each failure reaches the window as its fault: the folder or the file's
// final path, and the Windows error; its text is shown in one error box.
TEST(HotKeyPress, EachFailureReachesTheWindowAsItsFaultAndShowsItsTextInOneErrorBox) {
  struct Case {
    const char* name;
    std::function<void(fake::FakePlatform&)> arrange;
    SaveFault fault;
    std::u16string linesUnder;  // the box's lines under its text; no reason where Windows has none
  };
  const std::vector<Case> cases = {
      {"clipboard held", [](fake::FakePlatform& os) { os.clipboard.heldByAnotherProgram = true; },
       {SAVE_ERR_OPEN_CLIPBOARD, u"", 0}, u""},
      {"folder level is a file", [](fake::FakePlatform& os) { os.files.AddFile(u"D:\\shots", {1}); },
       {SAVE_ERR_CREATE_DIR, u"D:\\shots\\", platform::kErrorAlreadyExists}, u"\n位置: D:\\shots\\"},
      {"file not created below the template's folder",
       [](fake::FakePlatform& os) {
         CopyText(g_szNameFormat, kNameFormatChars, u"{yyyy}\\{dd}_{HH}-{mm}-{ss}");
         os.files.createFileFails = true;
       },
       {SAVE_ERR_CREATE_FILE, u"D:\\shots\\2026\\04_05-06-07.bmp", platform::kErrorAccessDenied},
       std::u16string(u"\n位置: D:\\shots\\2026\\04_05-06-07.bmp\n原因: Access is denied.\n") +
           kControlledFolderHintText},
  };
  for (const Case& c : cases) {
    ResetAppState();
    fake::FakePlatform os;
    os.Install();
    os.files.AddDrive(u"D:\\");
    CopyText(g_szPath, kPathChars, u"D:\\shots\\");
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
    c.arrange(os);
    SaveQueue queue(os.platform);
    SavePresses presses(os.platform, queue);

    EXPECT_EQ(0, presses.Press()) << c.name;
    ASSERT_TRUE(queue.WaitUntilIdle(10000));
    EXPECT_TRUE(os.messageBoxes.shown.empty()) << "the workers never show a box: " << c.name;
    const std::vector<SaveOutcome> ended = queue.TakeEnded();
    ASSERT_EQ(1u, ended.size()) << c.name;
    EXPECT_EQ(c.fault, ended[0].fault) << c.name;
    // The same failure again, shown as the window shows it.
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 2));
    presses.Press();
    ASSERT_TRUE(queue.WaitUntilIdle(10000));
    presses.ShowEnded();
    ASSERT_EQ(1u, os.messageBoxes.shown.size()) << c.name;
    EXPECT_EQ(SaveResultText(c.fault.result) + c.linesUnder, os.messageBoxes.shown[0].text) << c.name;
    EXPECT_EQ(std::u16string(g_szCaption), os.messageBoxes.shown[0].caption);
    EXPECT_EQ(platform::kMbIconError, os.messageBoxes.shown[0].style);
  }
  fake::FakeMessageBoxes boxes;
  SaveFault held(SAVE_ERR_OPEN_CLIPBOARD);
  held.holder = u"clipmgr.exe";
  EXPECT_EQ(u"打开剪切板失败\n原因: 剪切板正被 clipmgr.exe 占用", SaveFailureText(boxes, held));
  EXPECT_EQ(u"保存配置信息失败\n位置: Keys\n原因: Access is denied.",
            SettingsFailureText(boxes, SettingsFault{SettingsFaultKind::kNotStored, u"Keys", platform::kErrorAccessDenied}));
  ResetAppState();
}

TEST_F(HotKeyPressTest, NoThreadMeansNoSaveAndLaterPressesStillSave) {
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  os.threads.startFails = true;
  EXPECT_EQ(1, presses.Press());
  EXPECT_EQ(std::vector<std::u16string>{u"创建线程失败"}, Shown());
  EXPECT_EQ(0x10u, os.messageBoxes.shown[0].style);
  EXPECT_FALSE(os.files.Exists(u"D:\\shots"));
  EXPECT_TRUE(queue.Idle()) << "the press that got no worker is not waited for";

  os.threads.startFails = false;
  EXPECT_EQ(0, presses.Press());
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(savedFile));
}

// A held key repeats its press (where the system ignores MOD_NOREPEAT): while
// the clipboard is unchanged and its picture waits, a press adds nothing.
TEST_F(HotKeyPressTest, PressesDuringASlowSaveAreTakenAtOnceWrittenInOrderAndRepeatsAddNothing) {
  const Bytes first = testsupport::RgbDib(2, 2, 24, 1), second = testsupport::RgbDib(2, 2, 24, 2);
  HoldNextSaveBeforeItsName();
  os.clipboard.SetDib(first);
  std::promise<void> rendering, repeated;
  os.clipboard.rendersOnRead = [&] {
    rendering.set_value();
    repeated.get_future().wait();
  };
  EXPECT_EQ(0, presses.Press());
  // Repeats while its copy is rendered: the number changes, the picture does not.
  rendering.get_future().wait();
  for (int repeat = 0; repeat < 3; ++repeat) EXPECT_EQ(0, presses.Press());
  repeated.set_value();
  WaitUntilHeld();
  EXPECT_FALSE(os.clipboard.isOpen) << "the clipboard is free while the file is written";
  EXPECT_EQ(u"正在保存截图", os.session.reason) << "logoff and shutdown are told why to wait";
  EXPECT_EQ(&window, os.session.window);
  for (int repeat = 0; repeat < 5; ++repeat) EXPECT_EQ(0, presses.Press());

  os.clipboard.SetDib(second);
  EXPECT_EQ(0, presses.Press());
  WaitUntilTaken(2);  // the second picture is taken at its press ...
  for (int repeat = 0; repeat < 5; ++repeat) EXPECT_EQ(0, presses.Press());
  os.clipboard.SetText(u"changed after the press");
  os.clock.now.second = 9;  // the files are named after their presses
  EXPECT_FALSE(queue.WaitForAnEnd(20)) << "the exit's wait sees no save end while one is held";

  Release();
  FinishSaves();
  // ... and written after the first, under the next name of the second.
  const auto firstFile = os.files.Read(savedFile);
  const auto secondFile = os.files.Read(u"D:\\shots\\2026-3-4_5-6-07 (2).bmp");
  ASSERT_TRUE(firstFile && secondFile);
  EXPECT_EQ(Bytes(first.begin() + 40, first.end()), Bytes(firstFile->begin() + 54, firstFile->end()));
  EXPECT_EQ(Bytes(second.begin() + 40, second.end()), Bytes(secondFile->begin() + 54, secondFile->end()));
  EXPECT_EQ(2u, os.files.List(u"D:\\shots\\").size()) << "the repeats made no file";
  EXPECT_EQ(2, os.memory.unlocks()) << "nor a copy";
  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(2, os.memory.mostLiveCopies()) << "a pending picture costs its own copy";
  EXPECT_EQ(0, os.memory.liveCopies());
  EXPECT_EQ(0, os.files.openFiles());
  EXPECT_TRUE(os.session.reason.empty()) << "the reason goes with the last save";
  EXPECT_EQ(1, os.session.blocks);
}

// A copied "PNG" is decoded on the writer: a press during a slow decode takes
// its own picture at once. A decode that fails takes the bitmap beside the
// "PNG" in a second opening, unless the clipboard has changed meanwhile.
TEST_F(HotKeyPressTest, PressDuringASlowDecodeTakesItsOwnPictureAndAFailedDecodeFallsBackToTheBitmap) {
  g_dwFormat = kFormatPng;
  const Bytes first = testsupport::RgbDib(2, 2, 24, 1), second = testsupport::RgbDib(2, 2, 24, 2);
  const auto putPng = [&] {
    os.clipboard.SetDib(first);
    os.clipboard.SetNamed(u"PNG", testsupport::PngFile(2, 2, Bytes(16, 0x80)));
  };
  putPng();
  os.codecs.pngDecodeFails = true;
  std::promise<void> decoding, released;
  int decodes = 0;  // on the writer only
  os.codecs.whileDecoding = [&] {
    if (decodes++ > 0) return;
    decoding.set_value();
    released.get_future().wait();
  };
  EXPECT_EQ(0, presses.Press());
  decoding.get_future().wait();
  os.clipboard.SetDib(second);
  EXPECT_EQ(0, presses.Press());
  const bool taken = WaitUntilTaken(2);
  released.set_value();
  ASSERT_TRUE(taken) << "the second press waited for the first one's decode";
  FinishSaves();
  ASSERT_EQ(1u, Shown().size()) << "the first picture is gone with the change";
  EXPECT_EQ(0u, Shown()[0].rfind(SaveResultText(SAVE_ERR_BITMAP_DATA), 0));
  const auto files = os.files.List(u"D:\\shots\\");
  ASSERT_EQ(1u, files.size());
  const Bytes written = *os.files.Read(files[0]);
  EXPECT_EQ(Bytes(second.begin() + 40, second.end()), Bytes(written.end() - 16, written.end()));

  putPng();
  os.clock.now.second = 9;
  EXPECT_EQ(0, presses.Press());
  FinishSaves();
  EXPECT_EQ(2u, os.files.List(u"D:\\shots\\").size()) << "the unchanged bitmap, taken again";
  EXPECT_EQ(Bytes(first.begin() + 40, first.end()), Bytes(os.codecs.lastBmp.end() - 16, os.codecs.lastBmp.end()));
  EXPECT_EQ(1u, Shown().size());
  EXPECT_EQ(0, os.memory.liveCopies());
}

TEST_F(HotKeyPressTest, PictureWithoutMemoryForACopyIsWrittenFromTheClipboardOnlyWhenNothingWaits) {
  // Nothing before it: written while the clipboard is held, as before.
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  os.memory.copiesFail = true;
  EXPECT_EQ(0, presses.Press());
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(savedFile));
  EXPECT_TRUE(os.messageBoxes.shown.empty());

  // During another save: the press fails rather than hold the clipboard.
  os.memory.copiesFail = false;
  os.clock.now.second = 8;
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 1));
  HoldNextSaveBeforeItsName();
  EXPECT_EQ(0, presses.Press());
  WaitUntilHeld();
  os.memory.copiesFail = true;
  const int taken = os.memory.unlocks();
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 2));
  EXPECT_EQ(0, presses.Press());
  WaitUntilTaken(taken + 1);
  Release();
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(u"D:\\shots\\2026-3-4_5-6-08.bmp"));
  EXPECT_EQ(std::vector<std::u16string>{SaveResultText(SAVE_ERR_BITMAP_DATA)}, Shown());
  EXPECT_FALSE(os.clipboard.isOpen);
  EXPECT_EQ(0, os.memory.lockCount);
}

// A held key or a burst of copies into a failing folder: one box for its
// text while it is up, whether pressed or automatic, and again once closed.
TEST_F(HotKeyPressTest, OneBoxPerTextAtATimeAndBoxesHoldBackNoSave) {
  os.files.AddFile(u"D:\\shots", {1});  // the folder cannot be made
  int pictures = 0;
  const auto pressNew = [&](bool automatic) {
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, ++pictures));
    if (automatic) {
      presses.SaveNewPicture();
    } else {
      presses.Press();
    }
    ASSERT_TRUE(queue.WaitUntilIdle(10000));
    presses.ShowEnded();  // as the box's own loop shows what ends meanwhile
  };
  os.messageBoxes.whileOpen = [&](const fake::ShownBox& box) {
    if (FirstLine(box.text) != kNoFolder || pictures > 3) return;
    pressNew(false);
    // Another folder, so other lines under the same text: still the same box.
    os.files.AddFile(u"D:\\blocked", {1});
    SetFolder(u"D:\\blocked\\");
    pressNew(true);
    // A save into a good folder is written while the box is up.
    SetFolder(u"D:\\other\\");
    pressNew(false);
    EXPECT_EQ(1u, os.files.List(u"D:\\other\\").size());
    SetFolder(u"D:\\shots\\");
  };
  pressNew(false);
  EXPECT_EQ(std::vector<std::u16string>{kNoFolder}, Shown()) << "the repeats' boxes are not stacked";
  pressNew(true);
  EXPECT_EQ(2u, Shown().size()) << "one again once the first is closed";
  for (int press = 0; press < 3; ++press) {
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, ++pictures));
    presses.Press();
    ASSERT_TRUE(queue.WaitUntilIdle(10000));
  }
  presses.ShowEnded();
  EXPECT_EQ(3u, Shown().size()) << "saves that ended together share one box";
}

class HotKeyPressBoundTest : public HotKeyPressTest {
 protected:
  // Two saves, and the bytes of one 8x8 32-bit picture and a little more.
  HotKeyPressBoundTest() : HotKeyPressTest(SaveLimits{2, 296 + 100}) {}
};

TEST_F(HotKeyPressBoundTest, PressBeyondThePicturesOrTheirBytesIsRefusedWithOneBox) {
  HoldNextSaveBeforeItsName();
  os.clipboard.SetDib(testsupport::RgbDib(8, 8, 32, 1));
  presses.Press();
  WaitUntilHeld();
  // Its copy would pass the bytes: refused when taken, and never copied.
  os.clipboard.SetDib(testsupport::RgbDib(8, 8, 32, 2));
  presses.Press();
  WaitUntilTaken(2);
  EXPECT_EQ(1, os.memory.liveCopies());
  // Two saves wait: refused at once, and again while its box is up, one box.
  os.messageBoxes.whileOpen = [&](const fake::ShownBox&) {
    os.messageBoxes.whileOpen = nullptr;
    os.clipboard.SetDib(testsupport::RgbDib(8, 8, 32, 4));
    presses.Press();
  };
  os.clipboard.SetDib(testsupport::RgbDib(8, 8, 32, 3));
  EXPECT_EQ(0, presses.Press());
  EXPECT_EQ(std::vector<std::u16string>{kTooMany}, Shown());
  Release();
  FinishSaves();
  EXPECT_EQ((std::vector<std::u16string>{kTooMany, kTooMany}), Shown()) << "the refused copy, told in its turn";
  EXPECT_EQ(1u, os.files.List(u"D:\\shots\\").size());
  EXPECT_EQ(1, os.memory.mostLiveCopies());
}

// While the session ends, no box. The exit tells a save that fails after
// the exit command, once the window has gone; a folder that hangs does not
// keep the process alive.
TEST_F(HotKeyPressTest, LogoffShowsNoBoxExitTellsLateFailuresAndGivesUpOnAHangingFolder) {
  os.files.AddFile(u"D:\\shots", {1});
  presses.EndSession(true, 10000);
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 1));
  presses.Press();
  ASSERT_TRUE(queue.WaitUntilIdle(10000));
  presses.ShowEnded();
  EXPECT_TRUE(Shown().empty()) << "no box while the session ends";
  presses.EndSession(false, 0);

  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 2));
  presses.Press();
  EXPECT_TRUE(presses.Exit());
  EXPECT_FALSE(presses.Exit()) << "a WM_CLOSE after 退出 finds the exit under way";
  ASSERT_TRUE(queue.WaitUntilIdle(10000));
  presses.ShowEnded();  // the window's last messages: the quit on its way would close a box
  EXPECT_TRUE(Shown().empty());
  EXPECT_TRUE(presses.FinishAtExit(10000));
  EXPECT_EQ(std::vector<std::u16string>{kNoFolder}, Shown());
  // 退出 while a failure's box is up: the quit closes it, the exit's wait shows it again.
  SavePresses boxUpAtExit(os.platform, queue);
  os.messageBoxes.whileOpen = [&](const fake::ShownBox&) {
    os.messageBoxes.whileOpen = nullptr;
    boxUpAtExit.Exit();
  };
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 4));
  boxUpAtExit.Press();
  ASSERT_TRUE(queue.WaitUntilIdle(10000));
  boxUpAtExit.ShowEnded();
  EXPECT_TRUE(boxUpAtExit.FinishAtExit(10000));
  EXPECT_EQ(3u, Shown().size()) << "shown, closed by the exit, shown again";

  SetFolder(u"D:\\good\\");
  HoldNextSaveBeforeItsName();
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24, 3));
  presses.Press();
  WaitUntilHeld();
  EXPECT_FALSE(presses.FinishAtExit(20)) << "no save ended in the time given";
  presses.EndSession(true, 50);  // returns, with the save still held: it waits at most its time
  Release();
}

}  // namespace
