#include <gtest/gtest.h>

#include "common/bounded_text.h"
#include "capture/save_request.h"
#include "capture/save_result.h"
#include "save_fixture.h"

namespace {

class HotKeyPressTest : public SaveFixture {};

TEST_F(HotKeyPressTest, SuccessfulSaveAndTextOnlyClipboardShowNothing) {
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  EXPECT_EQ(0, HandleHotKeyPress());
  EXPECT_TRUE(os.files.IsFile(savedFile));

  os.clipboard.SetText(u"text");
  EXPECT_EQ(0, HandleHotKeyPress());

  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(2, os.threads.started);
  EXPECT_EQ(0, os.threads.openHandles);
  EXPECT_EQ(100u, os.threads.pausedMs) << "50 ms before each result is looked at";
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
  for (const Case& c : cases) {
    fake::FakePlatform os;
    os.Install();
    os.files.AddDrive(u"D:\\");
    CopyText(g_szPath, kPathChars, u"D:\\shots\\");
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
    c.arrange(os);

    EXPECT_EQ(0, HandleHotKeyPress()) << c.name;
    ASSERT_EQ(1u, os.messageBoxes.shown.size()) << c.name;
    EXPECT_EQ(c.text, os.messageBoxes.shown[0].text) << c.name;
    EXPECT_EQ(std::u16string(u"剪切板Tarnwick"), os.messageBoxes.shown[0].caption);
    EXPECT_EQ(0x10u, os.messageBoxes.shown[0].style);
  }
}

TEST_F(HotKeyPressTest, NoThreadMeansNoSave) {
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
  os.threads.startFails = true;
  EXPECT_EQ(1, HandleHotKeyPress());
  ASSERT_EQ(1u, os.messageBoxes.shown.size());
  EXPECT_EQ(std::u16string(u"创建线程失败"), os.messageBoxes.shown[0].text);
  EXPECT_EQ(0x10u, os.messageBoxes.shown[0].style);
  EXPECT_FALSE(os.files.Exists(u"D:\\shots"));
}

TEST_F(HotKeyPressTest, UnreadableExitCodeShowsTheFatalErrorNotTheResult) {
  os.clipboard.heldByAnotherProgram = true;  // the save itself fails too
  os.threads.exitCodeUnreadable = true;
  EXPECT_EQ(1, HandleHotKeyPress());
  ASSERT_EQ(1u, os.messageBoxes.shown.size());
  EXPECT_EQ(std::u16string(u"程序发生致命性错误, 您可以通过程序的\"关于\"窗口获得作者的联系方式, 反馈问题"),
            os.messageBoxes.shown[0].text);
  EXPECT_EQ(40u, os.messageBoxes.shown[0].text.size());
  EXPECT_EQ(0, os.threads.openHandles) << "the thread handle is closed on this path too";
}

TEST_F(HotKeyPressTest, PressWhileAnErrorBoxIsOpenRunsItsOwnSave) {
  os.clipboard.heldByAnotherProgram = true;
  int nested = 0;
  os.messageBoxes.whileOpen = [&](const fake::ShownBox&) {
    if (nested++ > 0) return;
    os.clipboard.heldByAnotherProgram = false;
    os.clipboard.SetDib(testsupport::RgbDib(2, 2, 24));
    EXPECT_EQ(0, HandleHotKeyPress());
  };
  EXPECT_EQ(0, HandleHotKeyPress());
  EXPECT_EQ(1u, os.messageBoxes.shown.size());
  EXPECT_TRUE(os.files.IsFile(savedFile)) << "the nested save wrote its file";
}

TEST(SaveResultText, EveryTextFitsTheWorkersBuffer) {
  for (std::uint32_t value = 0; value <= 12; ++value) {
    const char16_t* text = SaveResultText(static_cast<SaveResult>(value));
    EXPECT_LT(BoundedLength(text, 100), static_cast<std::size_t>(kResultChars)) << value;
  }
  const std::u16string undefined = SaveResultText(static_cast<SaveResult>(9));
  EXPECT_EQ(u"程序出现未定义的错误, 您可以通过此程序的\"关于\"窗口获得作者的联系方式, 反馈问题", undefined);
  EXPECT_EQ(42u, undefined.size());
  EXPECT_EQ(undefined, SaveResultText(static_cast<SaveResult>(0xFFFFFFFFu)));
  EXPECT_EQ(std::u16string(u"NOERROR"), SaveResultText(SAVE_NO_BITMAP));
}

TEST(SaveWorkerThread, WritesTheResultTextAndReturnsZero) {
  fake::FakePlatform os;
  os.Install();
  os.clipboard.heldByAnotherProgram = true;
  char16_t buffer[kResultChars];
  EXPECT_EQ(0u, SaveWorkerThread(buffer));
  EXPECT_EQ(std::u16string(u"打开剪切板失败"), buffer);
}

}  // namespace
