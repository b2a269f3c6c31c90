#include <gtest/gtest.h>

#include "capture/save_clipboard.h"
#include "save_fixture.h"

namespace {

using testsupport::Bytes;

class SaveClipboardBitmapTest : public SaveFixture {
 protected:
  // What a finished save must always leave: the clipboard closed once, the
  // block unlocked, no file open.
  void ExpectReleased(int opens = 1) {
    EXPECT_EQ(opens, os.clipboard.opens);
    EXPECT_EQ(opens, os.clipboard.closes);
    EXPECT_FALSE(os.clipboard.isOpen);
    EXPECT_EQ(0, os.memory.lockCount);
    EXPECT_EQ(0, os.files.openFiles());
    EXPECT_EQ(0, os.files.badCloses);
  }
  std::vector<std::u16string> SaveFolderContents() { return os.files.List(u"D:\\shots\\"); }
};

TEST_F(SaveClipboardBitmapTest, WritesTheBitmapUnderTheLocalTimeInANewFolder) {
  const Bytes block = testsupport::RgbDib(3, 2, 24);
  os.clipboard.SetDib(block);

  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  ExpectReleased();

  const auto file = os.files.Read(savedFile);
  ASSERT_TRUE(file);
  ASSERT_EQ(54 + block.size() - 40, file->size());
  EXPECT_EQ(Bytes(block.begin() + 40, block.end()), Bytes(file->begin() + 54, file->end()));
  EXPECT_EQ(std::vector<std::u16string>{u"D:\\SHOTS\\2026-3-4_5-6-07.BMP"}, SaveFolderContents())
      << "nothing else, no temporary file, is left";
  EXPECT_EQ(std::u16string(u"D:\\shots\\"), g_szSaveDir);
  EXPECT_EQ(std::u16string(u"2026-3-4_5-6-07.bmp"), g_szFileName);
  EXPECT_EQ(savedFile, g_szFilePath);
}

TEST_F(SaveClipboardBitmapTest, FolderWalkCreatesEachMissingLevelInOrder) {
  SetFolder(u"D:\\a\\b\\c");  // no final backslash: one is added
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));

  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  EXPECT_EQ((std::vector<std::u16string>{u"D:\\a\\", u"D:\\a\\b\\", u"D:\\a\\b\\c\\"}),
            os.files.directoriesCreated);
  EXPECT_TRUE(os.files.IsFile(u"D:\\a\\b\\c\\2026-3-4_5-6-07.bmp"));
}

TEST_F(SaveClipboardBitmapTest, ClipboardHeldByAnotherProgramTouchesNothing) {
  os.clipboard.heldByAnotherProgram = true;
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));

  EXPECT_EQ(SAVE_ERR_OPEN_CLIPBOARD, SaveClipboardBitmap());
  EXPECT_EQ(0, os.clipboard.closes) << "a clipboard that was not opened is not closed";
  EXPECT_FALSE(os.files.Exists(u"D:\\shots"));
}

TEST_F(SaveClipboardBitmapTest, OnlyTextOnTheClipboardCreatesNoFolder) {
  os.clipboard.SetText(u"hello");
  EXPECT_EQ(SAVE_NO_BITMAP, SaveClipboardBitmap());
  ExpectReleased();
  EXPECT_FALSE(os.files.Exists(u"D:\\shots"));
}

TEST_F(SaveClipboardBitmapTest, EmptyOrOverlongFolderIsRefused) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  SetFolder(u"");
  EXPECT_EQ(SAVE_ERR_SAVE_DIR, SaveClipboardBitmap());
  ExpectReleased();

  // 219 characters with no room left for the final backslash.
  SetFolder(u"D:\\" + std::u16string(216, u'x'));
  ASSERT_EQ(219u, WideLength(g_szPath, kPathChars));
  EXPECT_EQ(SAVE_ERR_SAVE_DIR, SaveClipboardBitmap());
  ExpectReleased(2);
  EXPECT_TRUE(os.files.directoriesCreated.empty());

  // 219 characters that already end with one are fine.
  SetFolder(u"D:\\" + std::u16string(215, u'x') + u"\\");
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
}

TEST_F(SaveClipboardBitmapTest, FolderLevelThatIsAFileOrCannotBeMadeFails) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  os.files.AddFile(u"D:\\shots", Bytes{1});
  EXPECT_EQ(SAVE_ERR_CREATE_DIR, SaveClipboardBitmap());
  ExpectReleased();

  SetFolder(u"D:\\a\\b\\c\\");
  os.files.makeDirectoryErrors[u"D:\\A\\B"] = platform::kErrorAccessDenied;
  EXPECT_EQ(SAVE_ERR_CREATE_DIR, SaveClipboardBitmap());
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\a\\")) << "levels made before the failure stay";
  EXPECT_FALSE(os.files.Exists(u"D:\\a\\b\\"));
}

TEST_F(SaveClipboardBitmapTest, FileThatCannotBeCreatedLeavesNothingAndUnlocks) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  os.files.createFileFails = true;
  EXPECT_EQ(SAVE_ERR_CREATE_FILE, SaveClipboardBitmap());
  ExpectReleased();
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\shots\\")) << "the folder is complete";
  EXPECT_TRUE(SaveFolderContents().empty());
}

TEST_F(SaveClipboardBitmapTest, BlockThatCannotBeLockedLeavesNoFile) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  os.memory.lockFails = true;
  EXPECT_EQ(SAVE_ERR_BITMAP_DATA, SaveClipboardBitmap());
  ExpectReleased();
  EXPECT_TRUE(SaveFolderContents().empty());

  os.memory.lockFails = false;
  os.clipboard.nullDibHandle = true;
  EXPECT_EQ(SAVE_ERR_BITMAP_DATA, SaveClipboardBitmap());
  ExpectReleased(2);
}

TEST_F(SaveClipboardBitmapTest, BlockShorterThanItsHeaderClaimsIsRefused) {
  Bytes block = testsupport::RgbDib(4, 4, 24);
  block.pop_back();
  os.clipboard.SetDib(block);
  EXPECT_EQ(SAVE_ERR_BITMAP_DATA, SaveClipboardBitmap());
  ExpectReleased();
  EXPECT_TRUE(SaveFolderContents().empty());

  os.clipboard.SetDib(Bytes(20, 0));
  EXPECT_EQ(SAVE_ERR_BITMAP_DATA, SaveClipboardBitmap());
  EXPECT_TRUE(SaveFolderContents().empty());
}

TEST_F(SaveClipboardBitmapTest, FailedWriteKeepsTheGoodFileOfTheSameName) {
  const Bytes good{'g', 'o', 'o', 'd'};
  os.files.AddFile(savedFile, good);
  os.clipboard.SetDib(testsupport::RgbDib(8, 8, 32));

  for (std::uint64_t space : {0ull, 10ull, 14ull, 54ull, 60ull}) {
    os.files.freeSpace = space;  // the disk fills up part-way
    EXPECT_EQ(SAVE_ERR_WRITE_FILE, SaveClipboardBitmap()) << space;
    EXPECT_EQ(good, os.files.Read(savedFile)) << space;
    EXPECT_EQ(1u, SaveFolderContents().size()) << "no partial file is left, " << space;
  }
  ExpectReleased(5);
}

TEST_F(SaveClipboardBitmapTest, FileThatCannotBeMovedIntoPlaceIsAWriteFailure) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  os.files.moveFails = true;
  EXPECT_EQ(SAVE_ERR_WRITE_FILE, SaveClipboardBitmap());
  ExpectReleased();
  EXPECT_TRUE(SaveFolderContents().empty());
}

TEST_F(SaveClipboardBitmapTest, TwoSavesInOneSecondLeaveTheSecondFile) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24, 1));
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  const Bytes second = testsupport::RgbDib(1, 1, 24, 2);
  os.clipboard.SetDib(second);
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  const auto file = os.files.Read(savedFile);
  ASSERT_TRUE(file);
  EXPECT_EQ(Bytes(second.begin() + 40, second.end()), Bytes(file->begin() + 54, file->end()));
  EXPECT_EQ(1u, SaveFolderContents().size());
}

TEST_F(SaveClipboardBitmapTest, ClipboardBlockIsLeftUnchanged) {
  const Bytes block = testsupport::BitfieldsDib32(2, 1);
  os.clipboard.SetDib(block);
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  const auto* dib = os.clipboard.dib();
  EXPECT_EQ(block, Bytes(dib->bytes.get(), dib->bytes.get() + dib->size));
  EXPECT_EQ(62u, os.files.Read(savedFile)->size());
}

TEST_F(SaveClipboardBitmapTest, CloseSaveHandlesClosesOnlyWhatIsStillOpen) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  CloseSaveHandles();
  EXPECT_EQ(0, os.files.badCloses) << "the file a save closed is not closed again";
  EXPECT_EQ(1, os.clipboard.closes);
}

}  // namespace
