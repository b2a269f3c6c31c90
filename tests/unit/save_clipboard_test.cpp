#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "capture/save_clipboard.h"
#include "save_fixture.h"

namespace {

using testsupport::Bytes;

std::u16string Digits(int n) {
  const std::string text = std::to_string(n);
  return std::u16string(text.begin(), text.end());
}

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
  EXPECT_FALSE(os.files.IsHidden(savedFile));
  EXPECT_EQ(0, os.files.movesOfUnflushedData) << "the data is flushed before the file gets its name";
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

TEST_F(SaveClipboardBitmapTest, ClipboardBusyForAMomentIsWaitedForButNotLonger) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  os.clipboard.busyForAttempts = 3;
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  EXPECT_EQ(4, os.clipboard.openAttempts);
  EXPECT_EQ(150u, os.threads.pausedMs) << "waits between tries, does not spin";
  ExpectReleased();

  os.files.Remove(savedFile.c_str());
  os.clipboard.heldByAnotherProgram = true;
  os.clipboard.openAttempts = 0;
  os.threads.pausedMs = 0;
  EXPECT_EQ(SAVE_ERR_OPEN_CLIPBOARD, SaveClipboardBitmap());
  EXPECT_EQ(6, os.clipboard.openAttempts);
  EXPECT_EQ(250u, os.threads.pausedMs) << "about a quarter of a second in all";
  EXPECT_EQ(1, os.clipboard.closes) << "a clipboard that was not opened is not closed";
  EXPECT_TRUE(SaveFolderContents().empty());
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
  ASSERT_EQ(219u, BoundedLength(g_szPath, kPathChars));
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

TEST_F(SaveClipboardBitmapTest, PicturesOfOneSecondGetNumberedNamesAndARepeatMakesNone) {
  const Bytes a = testsupport::RgbDib(1, 1, 24, 1), b = testsupport::RgbDib(1, 1, 24, 2);
  const auto pixelsIn = [&](const std::u16string& name) {
    const auto file = os.files.Read(u"D:\\shots\\" + name);
    return file ? Bytes(file->begin() + 54, file->end()) : Bytes();
  };
  for (const Bytes* block : {&a, &a, &b, &a, &b}) {
    os.clipboard.SetDib(*block);
    EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  }
  EXPECT_EQ(Bytes(a.begin() + 40, a.end()), pixelsIn(u"2026-3-4_5-6-07.bmp"));
  EXPECT_EQ(Bytes(b.begin() + 40, b.end()), pixelsIn(u"2026-3-4_5-6-07 (2).bmp"));
  EXPECT_EQ(2u, SaveFolderContents().size()) << "a repeated picture makes no file";

  // A name taken just before the move, or held open by another program,
  // sends the picture on to the next name.
  const Bytes c = testsupport::RgbDib(1, 1, 24, 3);
  os.files.HoldElsewhere(u"D:\\shots\\2026-3-4_5-6-07 (2).bmp");
  os.files.beforeMove = [&](const std::u16string& to) {
    if (to == u"D:\\shots\\2026-3-4_5-6-07 (3).bmp") os.files.AddFile(to, Bytes{'x'});
  };
  os.clipboard.SetDib(c);
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  EXPECT_EQ(Bytes(c.begin() + 40, c.end()), pixelsIn(u"2026-3-4_5-6-07 (4).bmp"));
  EXPECT_EQ(std::u16string(u"D:\\shots\\2026-3-4_5-6-07 (4).bmp"), g_szFilePath);
  EXPECT_EQ(Bytes{'x'}, os.files.Read(u"D:\\shots\\2026-3-4_5-6-07 (3).bmp"));
  EXPECT_EQ(Bytes(a.begin() + 40, a.end()), pixelsIn(u"2026-3-4_5-6-07.bmp")) << "nothing replaced";
  ExpectReleased(6);
}

TEST_F(SaveClipboardBitmapTest, PngSaveEncodesTheBmpFileAndKeepsEveryGuaranteeOfTheSave) {
  const Bytes a = testsupport::RgbDib(2, 2, 32, 1), b = testsupport::RgbDib(2, 2, 32, 2);
  os.clipboard.SetDib(a);
  ASSERT_EQ(SAVE_OK, SaveClipboardBitmap());
  const Bytes bmp = *os.files.Read(savedFile);

  g_dwFormat = kFormatPng;
  for (const Bytes* block : {&a, &a, &b}) {
    os.clipboard.SetDib(*block);
    EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  }
  os.clipboard.SetDib(a);
  ASSERT_EQ(SAVE_OK, SaveClipboardBitmap());
  EXPECT_EQ(bmp, os.codecs.lastBmp) << "the encoder reads the very file the BMP save writes";
  EXPECT_FALSE(os.codecs.lastKeptAlpha) << "a 32-bit BI_RGB fourth byte is no alpha";
  Bytes png = {0x89, 'P', 'N', 'G'};
  png.insert(png.end(), bmp.begin(), bmp.end());
  EXPECT_EQ(png, os.files.Read(u"D:\\shots\\2026-3-4_5-6-07.png"));
  EXPECT_TRUE(os.files.IsFile(u"D:\\shots\\2026-3-4_5-6-07 (2).png"));
  EXPECT_EQ(3u, SaveFolderContents().size()) << "a repeated picture makes no second file";
  EXPECT_EQ(0, os.files.movesOfUnflushedData);

  // Refused by the encoder: told as unreadable data, and nothing is left.
  os.codecs.refuses = true;
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 32, 3));
  EXPECT_EQ(SAVE_ERR_BITMAP_DATA, SaveClipboardBitmap());
  EXPECT_EQ(3u, SaveFolderContents().size()) << "no file, no temporary file";
  ExpectReleased(6);
}

TEST_F(SaveClipboardBitmapTest, PngKeepsOnlyRealAlphaAndHandsTheDecoderOnlyCommonBitFields) {
  using testsupport::DibParts;
  const auto v5 = [](std::uint16_t bits, std::vector<std::uint32_t> masks, Bytes pixels) {
    DibParts parts;
    parts.headerSize = 124;
    parts.width = 2;
    parts.bitCount = bits;
    parts.compression = 3;
    parts.masks = std::move(masks);
    parts.pixels = std::move(pixels);
    return testsupport::DibBlock(parts);
  };
  const std::vector<std::uint32_t> bgra = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  struct Case {
    const char* name;
    Bytes block;
    bool keepsAlpha;
    bool unpacked;  // the decoder gets a plain 32-bit picture made here
  };
  const Case cases[] = {
      {"V5 BGRA, one pixel half transparent", v5(32, bgra, {1, 2, 3, 0x80, 4, 5, 6, 0}), true, false},
      {"V5 BGRA, every alpha 0", v5(32, bgra, {1, 2, 3, 0, 4, 5, 6, 0}), false, false},
      {"V5 888 without an alpha mask", v5(32, {0xFF0000, 0xFF00, 0xFF, 0}, {1, 2, 3, 9, 4, 5, 6, 9}), false, false},
      {"V5 10-10-10", v5(32, {0x3FF00000, 0xFFC00, 0x3FF, 0}, {0xFF, 0x03, 0, 0, 0, 0, 0xF0, 0x3F}), false, true},
      {"V5 1-5-5-5 with alpha", v5(16, {0x7C00, 0x3E0, 0x1F, 0x8000}, {0x1F, 0x80, 0xE0, 0x03}), true, true},
  };
  g_dwFormat = kFormatPng;
  for (const Case& c : cases) {
    os.clipboard.SetDib(c.block);
    EXPECT_EQ(SAVE_OK, SaveClipboardBitmap()) << c.name;
    EXPECT_EQ(c.keepsAlpha, os.codecs.lastKeptAlpha) << c.name;
    const Bytes& file = os.codecs.lastBmp;
    ASSERT_GE(file.size(), 54u) << c.name;
    const std::uint32_t header = testsupport::GetU32(file, 14);
    const std::uint32_t pixels = testsupport::GetU32(file, 10);
    if (!c.unpacked) {
      EXPECT_EQ(124u, header) << c.name;
      continue;
    }
    EXPECT_EQ(c.keepsAlpha ? 108u : 40u, header) << c.name;
    EXPECT_EQ(32, file[28]) << c.name;
    ASSERT_EQ(pixels + 8u, file.size()) << c.name;
    const Bytes unpacked(file.begin() + pixels, file.end());
    if (c.keepsAlpha) {
      // 0x801F: opaque blue; 0x03E0: transparent green.
      EXPECT_EQ((Bytes{0xFF, 0, 0, 0xFF, 0, 0xFF, 0, 0}), unpacked) << c.name;
    } else {
      // Blue 0x3FF then red 0x3FF, scaled to 8 bits, no alpha.
      EXPECT_EQ((Bytes{0xFF, 0, 0, 0, 0, 0, 0xFF, 0}), unpacked) << c.name;
    }
  }
}

TEST_F(SaveClipboardBitmapTest, EveryNameOfTheSecondTakenEndsWithAFileNameFailure) {
  os.files.AddFile(savedFile, Bytes{'x'});
  for (int n = 2; n <= 100; ++n)
    os.files.AddFile(u"D:\\shots\\2026-3-4_5-6-07 (" + Digits(n) + u").bmp", Bytes{'x'});
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  EXPECT_EQ(SAVE_ERR_FILE_NAME, SaveClipboardBitmap());
  EXPECT_EQ(100u, SaveFolderContents().size()) << "no file added, no temporary file left";
  ExpectReleased();
}

TEST_F(SaveClipboardBitmapTest, TemporaryFileIsHiddenAndOwnAndLeftoversNotInUseAreRemoved) {
  os.files.AddFile(u"D:\\shots\\.tarnwick-77.tmp", Bytes{1});   // a dead process's
  os.files.AddFile(u"D:\\shots\\.tarnwick-88.tmp", Bytes{2});   // another copy saving now
  os.files.HoldElsewhere(u"D:\\shots\\.tarnwick-88.tmp");
  os.files.AddFile(u"D:\\shots\\notes.tmp", Bytes{3});
  os.files.AddFile(u"D:\\shots\\.tarnwick-notes.txt", Bytes{4});
  bool ownTemporaryMadePlain = false;
  os.files.beforeMove = [&](const std::u16string&) {
    const std::u16string own = u"D:\\shots\\.tarnwick-4242.tmp";
    ownTemporaryMadePlain = os.files.IsFile(own) && !os.files.IsHidden(own);
  };
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  EXPECT_EQ(SAVE_OK, SaveClipboardBitmap());
  EXPECT_TRUE(ownTemporaryMadePlain) << "named for this process, made plain before it gets its name";
  EXPECT_FALSE(os.files.Exists(u"D:\\shots\\.tarnwick-77.tmp"));
  EXPECT_TRUE(os.files.Exists(u"D:\\shots\\.tarnwick-88.tmp"));
  EXPECT_TRUE(os.files.Exists(u"D:\\shots\\notes.tmp"));
  EXPECT_TRUE(os.files.Exists(u"D:\\shots\\.tarnwick-notes.txt"));
  EXPECT_TRUE(os.files.IsFile(savedFile));
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

// At exit CloseSaveHandles runs, and before a handler registered earlier (as
// the application object's destruction is).
TEST(SaveStateExit, StartEmptiesTheScratchAndAtExitCloseSaveHandlesRunsBeforeEarlierHandlers) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  static fake::FakePlatform* os = nullptr;
  EXPECT_EXIT(
      {
        os = new fake::FakePlatform();
        os->Install();
        std::atexit([] { std::fprintf(stderr, "clipboard closes at exit: %d\n", os->clipboard.closes); });
        CopyText(g_szSaveDir, kPathChars, u"stale");
        CopyText(g_szFilePath, kFilePathChars, u"stale");
        g_dwDibSize = 9;
        InitSaveState();
        if (g_szSaveDir[0] != u'\0' || g_szFilePath[0] != u'\0' || g_dwDibSize != 0) std::exit(1);
        os->clipboard.Open();
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "clipboard closes at exit: 1");
}

}  // namespace
