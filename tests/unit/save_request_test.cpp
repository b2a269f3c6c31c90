#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <utility>

#include "capture/save_request.h"
#include "capture/save_result.h"
#include "save_fixture.h"

namespace {

using testsupport::Bytes;

// The results the workers hand on, as the main window receives them.
std::mutex s_endedMutex;
std::vector<std::pair<SaveResult, bool>> s_ended;
void RecordSaveEnded(SaveResult result, bool automatic) {
  const std::lock_guard<std::mutex> lock(s_endedMutex);
  s_ended.emplace_back(result, automatic);
}

class HotKeyPressTest : public SaveFixture {
 protected:
  HotKeyPressTest() {
    s_ended.clear();
    SetSaveEndedHandler(RecordSaveEnded);
  }
  ~HotKeyPressTest() override {
    EXPECT_TRUE(WaitForPendingSaves(10000));
    SetSaveEndedHandler(nullptr);
  }
  // Waits for every save pressed so far, then shows their results as the
  // user-interface thread does.
  void FinishSaves() {
    ASSERT_TRUE(WaitForPendingSaves(10000));
    std::vector<std::pair<SaveResult, bool>> ended;
    {
      const std::lock_guard<std::mutex> lock(s_endedMutex);
      ended.swap(s_ended);
    }
    for (const auto& [result, automatic] : ended) ShowSaveResult(result, automatic);
  }
  // Holds the first save just before its file gets its name, until released.
  void HoldFirstSaveBeforeItsName() {
    os.files.beforeMove = [this](const std::u16string&) {
      if (held_++ > 0) return;
      reachedMove_.set_value();
      release_.get_future().wait();
    };
  }
  void WaitUntilHeld() { reachedMove_.get_future().wait(); }
  void Release() { release_.set_value(); }
  // Waits until `count` presses have taken their pictures (their workers are
  // done with the clipboard's block).
  void WaitUntilTaken(int count) {
    while (os.memory.unlocks() < count) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::vector<std::u16string> Shown() const {
    std::vector<std::u16string> texts;
    for (const fake::ShownBox& box : os.messageBoxes.shown) texts.push_back(box.text);
    return texts;
  }

 private:
  int held_ = 0;
  std::promise<void> reachedMove_;
  std::promise<void> release_;
};

TEST_F(HotKeyPressTest, SuccessfulSaveAndTextOnlyClipboardShowNothing) {
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  EXPECT_EQ(0, HandleHotKeyPress());
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(savedFile));

  os.clipboard.SetText(u"text");
  EXPECT_EQ(0, HandleHotKeyPress());
  FinishSaves();

  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(2, os.threads.started);
  EXPECT_EQ(0, os.threads.openHandles) << "the user-interface thread keeps no worker's handle";
  EXPECT_EQ(0, os.memory.liveCopies()) << "nothing stays once the saves are written";
}

TEST(HotKeyPress, EachFailureShowsItsTextInOneErrorBox) {
  struct Case {
    const char* name;
    std::function<void(fake::FakePlatform&)> arrange;
    std::u16string text;
  };
  const std::vector<Case> cases = {
      {"clipboard held", [](fake::FakePlatform& os) { os.clipboard.heldByAnotherProgram = true; }, u"打开剪切板失败"},
      {"folder empty", [](fake::FakePlatform&) { g_szPath[0] = u'\0'; }, u"获取保存目录失败"},
      {"folder level is a file", [](fake::FakePlatform& os) { os.files.AddFile(u"D:\\shots", {1}); }, u"创建目录失败"},
      {"file not created", [](fake::FakePlatform& os) { os.files.createFileFails = true; }, u"创建文件失败"},
      {"lock fails", [](fake::FakePlatform& os) { os.memory.lockFails = true; }, u"获取剪切板位图数据失败"},
      {"disk full", [](fake::FakePlatform& os) { os.files.freeSpace = 20; }, u"写入文件失败"},
  };
  SetSaveEndedHandler(RecordSaveEnded);
  for (const Case& c : cases) {
    fake::FakePlatform os;
    os.Install();
    os.files.AddDrive(u"D:\\");
    CopyText(g_szPath, kPathChars, u"D:\\shots\\");
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
    c.arrange(os);
    s_ended.clear();

    EXPECT_EQ(0, HandleHotKeyPress()) << c.name;
    EXPECT_TRUE(os.messageBoxes.shown.empty()) << "the worker never shows a box: " << c.name;
    ASSERT_TRUE(WaitForPendingSaves(10000));
    ASSERT_EQ(1u, s_ended.size()) << c.name;
    ShowSaveResult(s_ended[0].first, s_ended[0].second);
    ASSERT_EQ(1u, os.messageBoxes.shown.size()) << c.name;
    EXPECT_EQ(c.text, os.messageBoxes.shown[0].text) << c.name;
    EXPECT_EQ(std::u16string(u"剪切板Tarnwick"), os.messageBoxes.shown[0].caption);
    EXPECT_EQ(0x10u, os.messageBoxes.shown[0].style);
  }
  SetSaveEndedHandler(nullptr);
}

TEST_F(HotKeyPressTest, NoThreadMeansNoSaveAndLaterPressesStillSave) {
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  os.threads.startFails = true;
  EXPECT_EQ(1, HandleHotKeyPress());
  ASSERT_EQ(1u, os.messageBoxes.shown.size());
  EXPECT_EQ(std::u16string(u"创建线程失败"), os.messageBoxes.shown[0].text);
  EXPECT_EQ(0x10u, os.messageBoxes.shown[0].style);
  EXPECT_FALSE(os.files.Exists(u"D:\\shots"));
  EXPECT_TRUE(WaitForPendingSaves(0)) << "the press that got no worker is not waited for";

  os.threads.startFails = false;
  EXPECT_EQ(0, HandleHotKeyPress());
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(savedFile));
}

TEST_F(HotKeyPressTest, PressesDuringASlowSaveAreTakenAtOnceAndWrittenInOrder) {
  const Bytes first = testsupport::RgbDib(2, 2, 24, 1), second = testsupport::RgbDib(2, 2, 24, 2);
  HoldFirstSaveBeforeItsName();
  os.clipboard.SetDib(first);
  EXPECT_EQ(0, HandleHotKeyPress());
  WaitUntilHeld();
  EXPECT_FALSE(os.clipboard.isOpen) << "the clipboard is free while the file is written";

  os.clipboard.SetDib(second);
  EXPECT_EQ(0, HandleHotKeyPress());
  WaitUntilTaken(2);  // the second picture is taken at its press ...
  os.clipboard.SetText(u"changed after the press");
  os.clock.now.second = 9;  // the files are named after their presses
  EXPECT_FALSE(WaitForPendingSaves(20)) << "exit waits while a save is held";

  Release();
  FinishSaves();
  // ... and written after the first, under the next name of the second.
  const auto firstFile = os.files.Read(savedFile);
  const auto secondFile = os.files.Read(u"D:\\shots\\2026-3-4_5-6-07 (2).bmp");
  ASSERT_TRUE(firstFile && secondFile);
  EXPECT_EQ(Bytes(first.begin() + 40, first.end()), Bytes(firstFile->begin() + 54, firstFile->end()));
  EXPECT_EQ(Bytes(second.begin() + 40, second.end()), Bytes(secondFile->begin() + 54, secondFile->end()));
  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(2, os.memory.mostLiveCopies()) << "a pending picture costs its own copy";
  EXPECT_EQ(0, os.memory.liveCopies());
  EXPECT_EQ(0, os.files.openFiles());
}

TEST_F(HotKeyPressTest, PictureWithoutMemoryForACopyIsWrittenFromTheClipboardOnlyWhenNothingWaits) {
  // Nothing before it: written while the clipboard is held, as before.
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  os.memory.copiesFail = true;
  EXPECT_EQ(0, HandleHotKeyPress());
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(savedFile));
  EXPECT_TRUE(os.messageBoxes.shown.empty());

  // During another save: the press fails rather than hold the clipboard.
  os.memory.copiesFail = false;
  os.clock.now.second = 8;
  HoldFirstSaveBeforeItsName();
  EXPECT_EQ(0, HandleHotKeyPress());
  WaitUntilHeld();
  os.memory.copiesFail = true;
  const int taken = os.memory.unlocks();
  EXPECT_EQ(0, HandleHotKeyPress());
  WaitUntilTaken(taken + 1);
  Release();
  FinishSaves();
  EXPECT_TRUE(os.files.IsFile(u"D:\\shots\\2026-3-4_5-6-08.bmp"));
  EXPECT_EQ(std::vector<std::u16string>{u"获取剪切板位图数据失败"}, Shown());
  EXPECT_FALSE(os.clipboard.isOpen);
  EXPECT_EQ(0, os.memory.lockCount);
}

TEST_F(HotKeyPressTest, BoxesDoNotHoldBackLaterSavesAndAutomaticFailuresShowOneAtATime) {
  os.clipboard.heldByAnotherProgram = true;
  EXPECT_EQ(0, HandleHotKeyPress());
  int nested = 0;
  os.messageBoxes.whileOpen = [&](const fake::ShownBox&) {
    if (nested++ > 0) return;
    // While the first box is up: a press saves at once, and failed automatic
    // saves add one box between them.
    os.clipboard.heldByAnotherProgram = false;
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
    EXPECT_EQ(0, HandleHotKeyPress());
    ASSERT_TRUE(WaitForPendingSaves(10000));
    EXPECT_TRUE(os.files.IsFile(savedFile));
    ShowSaveResult(SAVE_ERR_CREATE_DIR, true);
  };
  FinishSaves();
  EXPECT_EQ((std::vector<std::u16string>{u"打开剪切板失败", u"创建目录失败"}), Shown());

  nested = 0;
  os.messageBoxes.shown.clear();
  os.messageBoxes.whileOpen = [&](const fake::ShownBox&) {
    if (nested++ == 0) ShowSaveResult(SAVE_ERR_CREATE_DIR, true);
  };
  ShowSaveResult(SAVE_ERR_WRITE_FILE, true);
  ShowSaveResult(SAVE_ERR_WRITE_FILE, true);
  EXPECT_EQ((std::vector<std::u16string>{u"写入文件失败", u"写入文件失败"}), Shown())
      << "none while another automatic box is up, one again once it is closed";
}

TEST(SaveResultText, UndefinedResultsShareOneText) {
  const std::u16string undefined = SaveResultText(static_cast<SaveResult>(9));
  EXPECT_EQ(u"程序出现未定义的错误, 您可以通过此程序的\"关于\"窗口获得作者的联系方式, 反馈问题", undefined);
  EXPECT_EQ(42u, undefined.size());
  EXPECT_EQ(undefined, SaveResultText(static_cast<SaveResult>(0xFFFFFFFFu)));
  EXPECT_EQ(std::u16string(u"NOERROR"), SaveResultText(SAVE_NO_BITMAP));
}

}  // namespace
