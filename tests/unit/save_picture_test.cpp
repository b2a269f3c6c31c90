#include <gtest/gtest.h>

#include <functional>

#include "save_fixture.h"
#include "support/png_blocks.h"
#include "save_now.h"

namespace {

using testsupport::Bytes;

std::u16string Digits(int n) {
  const std::string text = std::to_string(n);
  return std::u16string(text.begin(), text.end());
}

class SavePictureTest : public SaveFixture {
 protected:
  SaveFault Save() {
    const testsupport::SavedNow saved = testsupport::SaveNow();
    file = saved.file;
    return saved.fault;
  }
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

  std::u16string file;  // the last save's file
};

TEST_F(SavePictureTest, WritesTheBitmapUnderTheLocalTimeInANewFolder) {
  const Bytes block = testsupport::RgbDib(3, 2, 24);
  os.clipboard.SetDib(block);

  EXPECT_EQ(SAVE_OK, Save().result);
  ExpectReleased();

  const auto written = os.files.Read(savedFile);
  ASSERT_TRUE(written);
  ASSERT_EQ(54 + block.size() - 40, written->size());
  EXPECT_EQ(Bytes(block.begin() + 40, block.end()), Bytes(written->begin() + 54, written->end()));
  EXPECT_EQ(std::vector<std::u16string>{u"D:\\SHOTS\\2026-3-4_5-6-07.BMP"}, SaveFolderContents())
      << "nothing else, no temporary file, is left";
  EXPECT_FALSE(os.files.IsHidden(savedFile));
  EXPECT_EQ(0, os.files.movesOfUnflushedData) << "the data is flushed before the file gets its name";
  EXPECT_EQ(savedFile, file);
}

TEST_F(SavePictureTest, FolderWalkCreatesEachMissingLevelInOrder) {
  SetFolder(u"D:\\a\\b\\c");  // no final backslash: one is added
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));

  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_EQ((std::vector<std::u16string>{u"D:\\a\\", u"D:\\a\\b\\", u"D:\\a\\b\\c\\"}),
            os.files.directoriesCreated);
  EXPECT_TRUE(os.files.IsFile(u"D:\\a\\b\\c\\2026-3-4_5-6-07.bmp"));
}

TEST_F(SavePictureTest, ClipboardBusyForAMomentIsWaitedForButNotLonger) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  os.clipboard.busyForAttempts = 3;
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_EQ(4, os.clipboard.openAttempts);
  EXPECT_EQ(150u, os.threads.pausedMs) << "waits between tries, does not spin";
  ExpectReleased();

  // Held for good: 2 s of pauses, then the program whose window held it,
  // where it can be named.
  os.files.Remove(savedFile.c_str());
  os.clipboard.heldByAnotherProgram = true;
  int window = 0, unnamed = 0;
  os.shell.windowPrograms[&window] = u"EXCEL.EXE";
  for (void* holder : {static_cast<void*>(&window), static_cast<void*>(&unnamed), static_cast<void*>(nullptr)}) {
    os.clipboard.holder = holder;
    os.threads.pausedMs = 0;
    const SaveFault fault = Save();
    EXPECT_EQ(SAVE_ERR_OPEN_CLIPBOARD, fault.result);
    EXPECT_EQ(holder == &window ? u"EXCEL.EXE" : u"", fault.holder);
    EXPECT_EQ(2000u, os.threads.pausedMs) << "two seconds in all";
  }
  EXPECT_EQ(1, os.clipboard.closes) << "a clipboard that was not opened is not closed";
  EXPECT_TRUE(SaveFolderContents().empty());
}

// Office programs put a bitmap beside every copy of cells or text: a save
// without a key leaves that alone, never asking for the bitmap. Their picture
// alone, another program's, and every press are saved.
TEST_F(SavePictureTest, AutomaticSaveLeavesAnOfficeCopyWithTextAlone) {
  int excel = 0, wps = 0, paint = 0, unnamed = 0;
  os.shell.windowPrograms = {{&excel, u"EXCEL.EXE"}, {&wps, u"Wps.Exe"}, {&paint, u"mspaint.exe"}};
  struct Case {
    void* owner;
    bool text, automatic, saved;
  };
  for (const Case& c : {Case{&excel, true, true, false}, Case{&wps, true, true, false}, Case{&excel, false, true, true},
                        Case{&paint, true, true, true}, Case{&unnamed, true, true, true},
                        Case{&excel, true, false, true}}) {
    os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
    if (c.text) os.clipboard.AddText();
    os.clipboard.owner = c.owner;
    bool rendered = false;
    os.clipboard.rendersOnRead = [&] { rendered = true; };
    EXPECT_EQ(c.saved ? SAVE_OK : SAVE_SKIPPED_PRIVATE, testsupport::SaveNow(c.automatic).result);
    EXPECT_EQ(c.saved, rendered) << "the bitmap is asked for only to be saved";
    os.clipboard.rendersOnRead = nullptr;
  }
}

TEST_F(SavePictureTest, EmptyOrOverlongFolderIsRefused) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  SetFolder(u"");
  EXPECT_EQ((SaveFault{SAVE_ERR_SAVE_DIR, u"", 0}), Save());
  ExpectReleased();

  // 219 characters with no room left for the final backslash.
  SetFolder(u"D:\\" + std::u16string(216, u'x'));
  ASSERT_EQ(219u, BoundedLength(g_szPath, kPathChars));
  EXPECT_EQ((SaveFault{SAVE_ERR_SAVE_DIR, g_szPath, 0}), Save());
  ExpectReleased(2);
  EXPECT_TRUE(os.files.directoriesCreated.empty());

  // 219 characters that already end with one are fine.
  SetFolder(u"D:\\" + std::u16string(215, u'x') + u"\\");
  EXPECT_EQ(SAVE_OK, Save().result);
}

TEST_F(SavePictureTest, FolderLevelThatIsAFileOrCannotBeMadeFails) {
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  os.files.AddFile(u"D:\\shots", Bytes{1});
  EXPECT_EQ((SaveFault{SAVE_ERR_CREATE_DIR, u"D:\\shots\\", platform::kErrorAlreadyExists}), Save());
  ExpectReleased();

  SetFolder(u"D:\\a\\b\\c\\");
  os.files.makeDirectoryErrors[u"D:\\A\\B"] = platform::kErrorAccessDenied;
  EXPECT_EQ((SaveFault{SAVE_ERR_CREATE_DIR, u"D:\\a\\b\\", platform::kErrorAccessDenied}), Save())
      << "the level that failed";
  EXPECT_TRUE(os.files.IsDirectory(u"D:\\a\\")) << "levels made before the failure stay";
  EXPECT_FALSE(os.files.Exists(u"D:\\a\\b\\"));
}

// Each failure tells where (the folder, or the file's final name, never its
// temporary one) and why (the Windows error); none leaves a file, and each
// gives back the clipboard, the block and the file.
TEST_F(SavePictureTest, EachFailureTellsWhereAndWhyAndLeavesNothing) {
  struct Case {
    const char* name;
    std::function<void()> arrange;
    SaveFault fault;
    bool folderMade;
  };
  Bytes shortBlock = testsupport::RgbDib(4, 4, 24);
  shortBlock.pop_back();
  const std::vector<Case> cases = {
      {"only text", [&] { os.clipboard.SetText(u"hello"); }, {SAVE_NO_BITMAP, u"", 0}, false},
      {"block not locked", [&] { os.memory.lockFails = true; }, {SAVE_ERR_BITMAP_DATA, u"", 0}, false},
      {"null block", [&] { os.clipboard.nullDibHandle = true; }, {SAVE_ERR_BITMAP_DATA, u"", 0}, false},
      {"block shorter than its header claims", [&] { os.clipboard.SetDib(shortBlock); },
       {SAVE_ERR_BITMAP_DATA, u"", 0}, true},
      {"block shorter than a header", [&] { os.clipboard.SetDib(Bytes(20, 0)); }, {SAVE_ERR_BITMAP_DATA, u"", 0}, true},
      {"file not created", [&] { os.files.createFileFails = true; },
       {SAVE_ERR_CREATE_FILE, savedFile, platform::kErrorAccessDenied}, true},
      {"move refused", [&] { os.files.moveFails = true; },
       {SAVE_ERR_WRITE_FILE, savedFile, platform::kErrorAccessDenied}, true},
  };
  int opens = 0;
  for (const Case& c : cases) {
    os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
    c.arrange();
    EXPECT_EQ(c.fault, Save()) << c.name;
    ExpectReleased(++opens);
    EXPECT_EQ(c.folderMade, os.files.IsDirectory(u"D:\\shots\\")) << c.name;
    EXPECT_TRUE(SaveFolderContents().empty()) << c.name;
    os.memory.lockFails = os.clipboard.nullDibHandle = os.files.createFileFails = os.files.moveFails = false;
  }
  EXPECT_EQ(0u, os.threads.pausedMs) << "only a held file is waited for";
}

TEST_F(SavePictureTest, FailedWriteKeepsTheGoodFileOfTheSameName) {
  const Bytes good{'g', 'o', 'o', 'd'};
  os.files.AddFile(savedFile, good);
  os.clipboard.SetDib(testsupport::RgbDib(8, 8, 32));

  for (std::uint64_t space : {0ull, 10ull, 14ull, 54ull, 60ull}) {
    os.files.freeSpace = space;  // the disk fills up part-way
    EXPECT_EQ((SaveFault{SAVE_ERR_WRITE_FILE, savedFile, platform::kErrorDiskFull}), Save()) << space;
    EXPECT_EQ(good, os.files.Read(savedFile)) << space;
    EXPECT_EQ(1u, SaveFolderContents().size()) << "no partial file is left, " << space;
  }
  ExpectReleased(5);
  EXPECT_EQ(0u, os.threads.pausedMs) << "a full disk is not waited for";
}

TEST_F(SavePictureTest, PicturesOfOneSecondGetNumberedNamesAndARepeatMakesNone) {
  const Bytes a = testsupport::RgbDib(1, 1, 24, 1), b = testsupport::RgbDib(1, 1, 24, 2);
  const auto pixelsIn = [&](const std::u16string& name) {
    const auto file = os.files.Read(u"D:\\shots\\" + name);
    return file ? Bytes(file->begin() + 54, file->end()) : Bytes();
  };
  for (const Bytes* block : {&a, &a, &b, &a, &b}) {
    os.clipboard.SetDib(*block);
    EXPECT_EQ(SAVE_OK, Save().result);
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
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_EQ(Bytes(c.begin() + 40, c.end()), pixelsIn(u"2026-3-4_5-6-07 (4).bmp"));
  EXPECT_EQ(std::u16string(u"D:\\shots\\2026-3-4_5-6-07 (4).bmp"), file);
  EXPECT_EQ(Bytes{'x'}, os.files.Read(u"D:\\shots\\2026-3-4_5-6-07 (3).bmp"));
  EXPECT_EQ(Bytes(a.begin() + 40, a.end()), pixelsIn(u"2026-3-4_5-6-07.bmp")) << "nothing replaced";
  ExpectReleased(6);
}

TEST_F(SavePictureTest, PngSaveEncodesTheBmpFileKeepsEveryGuaranteeAndOnlyRealAlpha) {
  const Bytes a = testsupport::RgbDib(2, 2, 32, 1), b = testsupport::RgbDib(2, 2, 32, 2);
  os.clipboard.SetDib(a);
  ASSERT_EQ(SAVE_OK, Save().result);
  Bytes png = *os.files.Read(savedFile);
  g_dwFormat = kFormatPng;
  for (const Bytes* block : {&b, &a, &a}) {
    os.clipboard.SetDib(*block);
    EXPECT_EQ(SAVE_OK, Save().result);
  }
  EXPECT_EQ(png, os.codecs.lastBmp) << "the encoder reads the very file the BMP save writes";
  EXPECT_FALSE(os.codecs.lastKeptAlpha) << "a 32-bit BI_RGB fourth byte is no alpha";
  png.insert(png.begin(), {0x89, 'P', 'N', 'G'});
  EXPECT_EQ(png, os.files.Read(u"D:\\shots\\2026-3-4_5-6-07 (2).png"));
  EXPECT_EQ(3u, SaveFolderContents().size()) << "a repeated picture makes no second file";

  os.codecs.refuses = true;
  os.clipboard.SetDib(testsupport::RgbDib(2, 2, 32, 3));
  EXPECT_EQ(SAVE_ERR_BITMAP_DATA, Save().result);
  EXPECT_EQ(3u, SaveFolderContents().size()) << "no file, no temporary file";
  ExpectReleased(5);

  // Alpha is kept only where a V4 or V5 header has a mask and some pixel
  // uses it, in CF_DIB or in a program's CF_DIBV5 beside a plain CF_DIB;
  // uncommon bit fields reach the decoder unpacked.
  os.codecs.refuses = false;
  testsupport::DibParts v5;
  v5.headerSize = 124;
  v5.width = 2;
  v5.bitCount = 32;
  v5.compression = 3;
  v5.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  for (std::uint8_t alpha : {0x80, 0x00}) {  // every alpha 0 would save an invisible picture
    v5.pixels = {1, 2, 3, alpha, 4, 5, 6, 0};
    for (const bool beside : {false, true}) {
      os.clipboard.SetDib(beside ? testsupport::RgbDib(2, 1, 24) : testsupport::DibBlock(v5));
      if (beside) os.clipboard.SetDibV5(testsupport::DibBlock(v5));
      EXPECT_EQ(SAVE_OK, Save().result);
      EXPECT_EQ(alpha != 0, os.codecs.lastKeptAlpha);
      EXPECT_EQ(beside && alpha == 0 ? 40u : 124u, testsupport::GetU32(os.codecs.lastBmp, 14)) << "the CF_DIB";
    }
  }
  // 1-5-5-5: opaque blue, then transparent green, as 8-bit BGRA after a V4 header.
  v5.bitCount = 16;
  v5.masks = {0x7C00, 0x3E0, 0x1F, 0x8000};
  v5.pixels = {0x1F, 0x80, 0xE0, 0x03};
  os.clipboard.SetDib(testsupport::DibBlock(v5));
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_TRUE(os.codecs.lastKeptAlpha);
  const Bytes& file = os.codecs.lastBmp;
  ASSERT_EQ(14u + 108 + 8, file.size());
  EXPECT_EQ(108u, testsupport::GetU32(file, 14));
  EXPECT_EQ((Bytes{0xFF, 0, 0, 0xFF, 0, 0xFF, 0, 0}), Bytes(file.end() - 8, file.end()));
}

TEST_F(SavePictureTest, PngAndJpgTakeACheckedPngAsItIsElseTheDibAndBmpTheDibAlways) {
  const Bytes dib = testsupport::RgbDib(2, 2, 24, 1);
  const Bytes png = testsupport::PngFile(2, 2, Bytes(16, 0x80));
  Bytes badCrc = png, block = png;
  badCrc[png.size() - 13] ^= 1;  // IDAT's CRC
  block.insert(block.end(), {0, 0, 0});  // GlobalSize may round the block up
  const auto put = [&](const Bytes& named) {
    os.clipboard.SetDib(dib);
    os.clipboard.SetNamed(u"PNG", named);
  };
  put(block);
  ASSERT_EQ(SAVE_OK, Save().result);
  const Bytes bmp = *os.files.Read(file);
  EXPECT_EQ(dib, Bytes(bmp.begin() + 14, bmp.end())) << "BMP: the CF_DIB, byte for byte";
  g_dwFormat = kFormatPng;
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_EQ(png, os.files.Read(file)) << "the \"PNG\" up to IEND, nothing encoded";

  // A check or the decode fails: the CF_DIB, encoded; after a failed decode
  // from a second opening, unless the clipboard has changed meanwhile.
  for (int failure = 0; failure < 3; ++failure) {
    put(failure == 0 ? badCrc : block);
    os.codecs.pngDecodeFails = failure > 0;
    os.codecs.whileDecoding = [&] { if (failure == 2) os.clipboard.SetText(u"new"); };
    os.codecs.lastBmp.clear();
    const int opens = os.clipboard.opens;
    EXPECT_EQ(failure == 2 ? SAVE_ERR_BITMAP_DATA : SAVE_OK, Save().result) << failure;
    EXPECT_EQ(failure == 1 ? 2 : 1, os.clipboard.opens - opens) << failure;
    EXPECT_EQ(failure == 2 ? Bytes() : bmp, os.codecs.lastBmp) << failure;
  }
  os.codecs.pngDecodeFails = false;
  os.codecs.whileDecoding = nullptr;
  EXPECT_EQ(3u, SaveFolderContents().size()) << "the CF_DIB's PNG once, no temporary file";

  g_dwFormat = kFormatJpg;
  put(block);
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_EQ(png, os.codecs.lastBmp) << "JPG encodes the \"PNG\", transparency laid on white";
  EXPECT_TRUE(os.codecs.lastKeptAlpha);
  EXPECT_EQ(u"D:\\shots\\2026-3-4_5-6-07.jpg", file);
  EXPECT_EQ(0xD8, os.files.Read(file)->at(1));
  ExpectReleased(os.clipboard.opens);
}

TEST_F(SavePictureTest, EveryNameOfTheSecondTakenEndsWithAFileNameFailure) {
  os.files.AddFile(savedFile, Bytes{'x'});
  for (int n = 2; n <= 100; ++n)
    os.files.AddFile(u"D:\\shots\\2026-3-4_5-6-07 (" + Digits(n) + u").bmp", Bytes{'x'});
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  EXPECT_EQ((SaveFault{SAVE_ERR_FILE_NAME, u"D:\\shots\\", platform::kErrorAlreadyExists}), Save())
      << "the folder that has no name left";
  EXPECT_EQ(100u, SaveFolderContents().size()) << "no file added, no temporary file left";
  ExpectReleased();
}

TEST_F(SavePictureTest, TemporaryFileIsHiddenAndOwnAndLeftoversNotInUseAreRemoved) {
  os.files.AddFile(u"D:\\shots\\.tarnwick-77.tmp", Bytes{1});   // a dead process's
  os.files.AddFile(u"D:\\shots\\.tarnwick-88.tmp", Bytes{2});   // another copy saving now
  os.files.HoldElsewhere(u"D:\\shots\\.tarnwick-88.tmp");
  // Of this version's names (the id and a number in hex): one an ended
  // process left, one another running copy gave up, one this process gave up.
  os.threads.otherProcesses = {88};
  os.files.AddFile(u"D:\\shots\\.tarnwick-0000004d00.tmp", Bytes{5});
  os.files.AddFile(u"D:\\shots\\.tarnwick-0000005801.tmp", Bytes{6});
  os.files.AddFile(u"D:\\shots\\.tarnwick-0000109203.tmp", Bytes{7});
  os.files.AddFile(u"D:\\shots\\notes.tmp", Bytes{3});
  os.files.AddFile(u"D:\\shots\\.tarnwick-notes.txt", Bytes{4});
  bool ownTemporaryMadePlain = false;
  std::u16string own = u"D:\\shots\\.tarnwick-0000109200.tmp";
  os.files.beforeMove = [&](const std::u16string&) {
    ownTemporaryMadePlain = os.files.IsFile(own) && !os.files.IsHidden(own);
  };
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24));
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_TRUE(ownTemporaryMadePlain) << "named for this process, made plain before it gets its name";
  EXPECT_FALSE(os.files.Exists(u"D:\\shots\\.tarnwick-77.tmp"));
  EXPECT_TRUE(os.files.Exists(u"D:\\shots\\.tarnwick-88.tmp"));
  EXPECT_FALSE(os.files.Exists(u"D:\\shots\\.tarnwick-0000004d00.tmp"));
  EXPECT_TRUE(os.files.Exists(u"D:\\shots\\.tarnwick-0000005801.tmp")) << "never another running copy's";
  EXPECT_FALSE(os.files.Exists(u"D:\\shots\\.tarnwick-0000109203.tmp"));
  EXPECT_TRUE(os.files.Exists(u"D:\\shots\\notes.tmp"));
  EXPECT_TRUE(os.files.Exists(u"D:\\shots\\.tarnwick-notes.txt"));
  EXPECT_TRUE(os.files.IsFile(savedFile));

  // Below the template's sub-folders, made level by level, every guarantee
  // holds: the temporary file lives in the file's folder, a save sweeps that
  // folder, a second picture gets " (2)" and a repeat makes no file.
  CopyText(g_szNameFormat, kNameFormatChars, u"{yyyy}\\{MM}\\{dd}_{HH}-{mm}-{ss}");
  os.files.AddFile(u"D:\\shots\\2026\\03\\.tarnwick-77.tmp", Bytes{1});
  own = u"D:\\shots\\2026\\03\\.tarnwick-0000109200.tmp";
  for (std::uint8_t seed : {1, 1, 2}) {
    ownTemporaryMadePlain = false;
    os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24, seed));
    EXPECT_EQ(SAVE_OK, Save().result);
    EXPECT_TRUE(ownTemporaryMadePlain);
  }
  EXPECT_EQ(std::u16string(u"D:\\shots\\2026\\03\\04_05-06-07 (2).bmp"), file);
  EXPECT_EQ((std::vector<std::u16string>{u"D:\\SHOTS\\2026\\03", u"D:\\SHOTS\\2026\\03\\04_05-06-07 (2).BMP",
                                         u"D:\\SHOTS\\2026\\03\\04_05-06-07.BMP"}),
            os.files.List(u"D:\\shots\\2026\\"));
  EXPECT_EQ(0, os.files.movesOfUnflushedData);
}

// A scanner or a cloud client holds the temporary file without sharing its
// deletion: the move is waited out, hidden meanwhile, 10 s of pauses at
// most; given up, the file is hidden again and left to a later sweep, and
// a save meanwhile takes a name of its own.
TEST_F(SavePictureTest, HeldTemporaryFileIsWaitedOutThenLeftHiddenToTheNextSweep) {
  const std::u16string first = u"D:\\shots\\.tarnwick-0000109200.tmp";
  int moves = 0;
  os.files.beforeMove = [&](const std::u16string&) {
    if (++moves == 1) os.files.HoldElsewhere(first);
    if (moves == 4) os.files.LetGoElsewhere(first);
  };
  std::vector<std::uint32_t> pauses;
  bool hiddenWhilePaused = true;
  os.threads.whilePaused = [&](std::uint32_t ms) {
    pauses.push_back(ms);
    hiddenWhilePaused = hiddenWhilePaused && os.files.IsHidden(first);
  };
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24, 1));
  EXPECT_EQ(SAVE_OK, Save().result) << "let go within the bound: no box";
  EXPECT_EQ((std::vector<std::uint32_t>{100, 200, 400}), pauses);
  EXPECT_FALSE(os.files.IsHidden(savedFile));

  pauses.clear();
  os.files.beforeMove = [&](const std::u16string&) { os.files.HoldElsewhere(first); };
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24, 2));
  EXPECT_EQ((SaveFault{SAVE_ERR_WRITE_FILE, savedFile, platform::kErrorSharingViolation}), Save());
  EXPECT_EQ((std::vector<std::uint32_t>{100, 200, 400, 800, 1600, 2000, 2000, 2000, 900}), pauses);
  EXPECT_TRUE(hiddenWhilePaused);
  EXPECT_TRUE(os.files.IsHidden(first)) << "hidden again through its own handle, and not removable while held";

  bool nextName = false;
  os.files.beforeMove = [&](const std::u16string&) {
    nextName = os.files.IsFile(u"D:\\shots\\.tarnwick-0000109201.tmp");
  };
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24, 3));
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_TRUE(nextName) << "the held name is taken: the next one";
  os.files.LetGoElsewhere(first);
  os.clipboard.SetDib(testsupport::RgbDib(1, 1, 24, 4));
  EXPECT_EQ(SAVE_OK, Save().result);
  EXPECT_EQ(3u, SaveFolderContents().size()) << "the leftover swept, three pictures";
  ExpectReleased(4);
}

// The one place each result's text is spelt out.
TEST(SaveResultText, EachResultHasItsTextUndefinedOnesShareOneAndSkippedContentIsNoFailure) {
  const std::u16string undefined = u"程序出现未定义的错误, 您可以通过此程序的\"关于\"窗口获得作者的联系方式, 反馈问题";
  const std::vector<std::pair<std::uint32_t, std::u16string>> texts = {
      {SAVE_OK, u"NOERROR"}, {SAVE_NO_BITMAP, u"NOERROR"}, {SAVE_SKIPPED_PRIVATE, u"NOERROR"},
      {SAVE_ERR_CREATE_DIR, u"创建目录失败"}, {SAVE_ERR_SAVE_DIR, u"获取保存目录失败"},
      {SAVE_ERR_OPEN_CLIPBOARD, u"打开剪切板失败"}, {SAVE_ERR_FILE_NAME, u"获取文件名失败"},
      {SAVE_ERR_CREATE_FILE, u"创建文件失败"}, {SAVE_ERR_BITMAP_DATA, u"获取剪切板位图数据失败"},
      {SAVE_ERR_WRITE_FILE, u"写入文件失败"}, {SAVE_REFUSED_BUSY, u"正在保存的截图过多, 本次按键未保存, 请稍后再试"},
      {9, undefined}, {0xFFFFFFFFu, undefined}};
  for (const auto& [result, text] : texts) EXPECT_EQ(text, SaveResultText(static_cast<SaveResult>(result))) << result;
  EXPECT_EQ(42u, undefined.size());
}

TEST_F(SavePictureTest, ClipboardBlockIsLeftUnchanged) {
  const Bytes block = testsupport::BitfieldsDib32(2, 1);
  os.clipboard.SetDib(block);
  EXPECT_EQ(SAVE_OK, Save().result);
  const auto* dib = os.clipboard.dib();
  EXPECT_EQ(block, Bytes(dib->bytes.get(), dib->bytes.get() + dib->size));
  EXPECT_EQ(62u, os.files.Read(savedFile)->size());
}

}  // namespace
