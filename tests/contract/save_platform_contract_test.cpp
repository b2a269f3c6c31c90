// The platform operations the save relies on behave the same on the fake and
// on the real platform. This file is compiled into both test programs.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "contract/contract_environment.h"
#include "platform/owners.h"
#include "dib_blocks.h"

namespace {

using contract::Bytes;

class SavePlatformContract : public ::testing::Test {
 protected:
  contract::Environment& env = contract::Current();
  platform::Platform& os = env.Platform();
  std::u16string folder = env.NewScratchFolder();
};

TEST_F(SavePlatformContract, FolderLevelsAreCreatedOneAtATime) {
  const std::u16string a = folder + u"a\\";
  const std::u16string ab = a + u"b\\";
  std::uint32_t error = 0;

  EXPECT_TRUE(os.files.IsDirectory(folder.c_str()));
  EXPECT_FALSE(os.files.IsDirectory(a.c_str()));
  EXPECT_FALSE(os.files.MakeDirectory(ab.c_str(), &error)) << "a missing parent is not created on the way";
  EXPECT_EQ(3u, error);  // ERROR_PATH_NOT_FOUND

  EXPECT_TRUE(os.files.MakeDirectory(a.c_str(), &error));
  EXPECT_TRUE(os.files.IsDirectory(a.c_str()));
  EXPECT_TRUE(os.files.MakeDirectory(ab.c_str(), &error));
  EXPECT_TRUE(os.files.IsDirectory(ab.c_str()));

  EXPECT_FALSE(os.files.MakeDirectory(a.c_str(), &error));
  EXPECT_EQ(platform::kErrorAlreadyExists, error);
}

TEST_F(SavePlatformContract, AFileIsNotADirectoryAndBlocksOneOfThatName) {
  const std::u16string file = folder + u"level";
  env.MakeFile(file, Bytes{1, 2, 3});
  std::uint32_t error = 0;

  EXPECT_FALSE(os.files.IsDirectory(file.c_str()));
  EXPECT_FALSE(os.files.IsDirectory((file + u"\\").c_str()));
  EXPECT_FALSE(os.files.MakeDirectory((file + u"\\").c_str(), &error));
  EXPECT_EQ(platform::kErrorAlreadyExists, error);
}

TEST_F(SavePlatformContract, TemporaryFileHoldsEveryWriteInOrderAndIsNeverOneThatExists) {
  const std::u16string path = folder + u".out.tmp";
  env.MakeFile(path, Bytes(100, 0xEE));
  std::uint32_t error = 0;
  EXPECT_EQ(platform::InvalidHandle(), os.files.CreateTemporary(path.c_str(), &error));
  EXPECT_EQ(platform::kErrorFileExists, error);
  ASSERT_TRUE(os.files.Remove(path.c_str()));

  platform::Handle file = os.files.CreateTemporary(path.c_str(), &error);
  ASSERT_NE(platform::InvalidHandle(), file);
  const std::uint8_t first[] = {'B', 'M'};
  const std::uint8_t second[] = {1, 2, 3};
  EXPECT_TRUE(os.files.Write(file, first, sizeof first, &error));
  EXPECT_TRUE(os.files.Write(file, second, sizeof second, &error));
  EXPECT_TRUE(os.files.Write(file, second, 0, &error));
  EXPECT_TRUE(os.files.Flush(file, &error));
  EXPECT_TRUE(os.files.MakeHidden(file, &error));
  EXPECT_TRUE(os.files.MakePlain(file, &error));
  EXPECT_EQ(platform::InvalidHandle(), os.files.CreateTemporary(path.c_str(), &error)) << "nor an open one";
  EXPECT_EQ(platform::kErrorFileExists, error);
  EXPECT_TRUE(platform::OpenFile(os.files, os.files.OpenForReading(path.c_str())).valid()) << "but it may be read";
  EXPECT_FALSE(os.files.RemoveIfUnused(path.c_str())) << "an open file is not removed";
  os.files.CloseFile(file);

  Bytes content;
  ASSERT_TRUE(env.ReadFile(path, &content));
  EXPECT_EQ((Bytes{'B', 'M', 1, 2, 3}), content);

  // Read back through the seam, to the end of the file.
  file = os.files.OpenForReading(path.c_str());
  ASSERT_NE(platform::InvalidHandle(), file);
  std::uint8_t buffer[8] = {};
  std::uint32_t got = 0;
  EXPECT_TRUE(os.files.Read(file, buffer, 3, &got));
  EXPECT_EQ(3u, got);
  EXPECT_TRUE(os.files.Read(file, buffer + 3, 5, &got));
  EXPECT_EQ(2u, got);
  EXPECT_EQ(content, Bytes(buffer, buffer + 5));
  EXPECT_TRUE(os.files.Read(file, buffer, 1, &got));
  EXPECT_EQ(0u, got) << "the end of the file";
  os.files.CloseFile(file);

  EXPECT_TRUE(os.files.RemoveIfUnused(path.c_str()));
  EXPECT_FALSE(env.Exists(path));
  EXPECT_EQ(platform::InvalidHandle(), os.files.OpenForReading(path.c_str()));
}

TEST_F(SavePlatformContract, ReadOnlyFileIsNeitherRemovedNorReplaced) {
  const std::u16string path = folder + u".old.tmp";
  const std::u16string other = folder + u".new.tmp";
  env.MakeFile(path, Bytes{1, 2});
  env.MakeFile(other, Bytes{3});
  env.MakeReadOnly(path);
  std::uint32_t error = 0;
  EXPECT_FALSE(os.files.RemoveIfUnused(path.c_str()));
  EXPECT_FALSE(os.files.Remove(path.c_str()));
  EXPECT_FALSE(os.files.MoveNew(other.c_str(), path.c_str(), &error));
  EXPECT_EQ(platform::kErrorAlreadyExists, error);
  EXPECT_EQ(platform::InvalidHandle(), os.files.CreateTemporary(path.c_str(), &error));
  EXPECT_EQ(platform::kErrorFileExists, error);
}

// As a virus scanner or an indexer opens a new file: reading, sharing read
// and write but not delete. The writer's handle still sets the attributes.
TEST_F(SavePlatformContract, FileHeldWithoutSharingDeleteIsNotMovedUntilLetGo) {
  const std::u16string from = folder + u".held.tmp";
  const std::u16string to = folder + u"held.bmp";
  std::uint32_t error = 0;
  const platform::OpenFile file(os.files, os.files.CreateTemporary(from.c_str(), &error));
  ASSERT_TRUE(file.valid());
  ASSERT_TRUE(env.HoldFile(from));
  EXPECT_FALSE(os.files.MoveNew(from.c_str(), to.c_str(), &error));
  EXPECT_EQ(platform::kErrorSharingViolation, error);
  EXPECT_TRUE(os.files.MakeHidden(file.get(), &error));
  env.LetGoOfFile();
  EXPECT_TRUE(os.files.MoveNew(from.c_str(), to.c_str(), &error));
  EXPECT_TRUE(env.Exists(to));
}

TEST_F(SavePlatformContract, FileCannotBeCreatedInAMissingFolderAndTheErrorHasItsText) {
  const std::u16string path = folder + u"missing\\out.bmp";
  std::uint32_t error = 0;
  EXPECT_EQ(platform::InvalidHandle(), os.files.CreateTemporary(path.c_str(), &error));
  EXPECT_EQ(platform::kErrorPathNotFound, error);
  EXPECT_FALSE(env.Exists(path));
  const std::u16string text = os.messageBoxes.ErrorText(error);
  EXPECT_TRUE(!text.empty() && text.find_first_of(u"\r\n") == std::u16string::npos) << "one line for a box";
  EXPECT_TRUE(os.messageBoxes.ErrorText(0x20000001).empty()) << "an application's own code has no system text";
}

TEST_F(SavePlatformContract, MoveWhileOpenNeverReplacesAndFindFilesSeesHiddenFilesAndFolders) {
  const std::u16string from = folder + u".new.tmp";
  const std::u16string to = folder + u"final.bmp";
  const std::u16string sub = folder + u"sub";
  std::uint32_t error = 0;
  ASSERT_TRUE(os.files.MakeDirectory(sub.c_str(), &error));
  env.MakeFile(to, Bytes{1, 1, 1, 1});
  platform::Handle file = os.files.CreateTemporary(from.c_str(), &error);
  ASSERT_NE(platform::InvalidHandle(), file);
  const std::uint8_t bytes[] = {7, 7};
  ASSERT_TRUE(os.files.Write(file, bytes, sizeof bytes, &error));
  EXPECT_EQ(std::vector<std::u16string>{u".new.tmp"}, os.files.FindFiles((folder + u".*.tmp").c_str()));
  EXPECT_EQ(std::vector<std::u16string>{u"sub"}, os.files.FindFolders((folder + u"*").c_str())) << "no . or ..";

  EXPECT_FALSE(os.files.MoveNew(from.c_str(), to.c_str(), &error));
  EXPECT_EQ(platform::kErrorAlreadyExists, error);
  EXPECT_FALSE(os.files.MoveNew(from.c_str(), sub.c_str(), &error)) << "nor onto a folder";
  Bytes content;
  ASSERT_TRUE(env.ReadFile(to, &content));
  EXPECT_EQ((Bytes{1, 1, 1, 1}), content);

  const std::u16string free = folder + u"other.bmp";
  EXPECT_TRUE(os.files.MoveNew(from.c_str(), free.c_str(), &error)) << "the writer's handle stays open";
  EXPECT_TRUE(os.files.Write(file, bytes, 1, &error)) << "and still writes, now under the new name";
  os.files.CloseFile(file);
  ASSERT_TRUE(env.ReadFile(free, &content));
  EXPECT_EQ((Bytes{7, 7, 7}), content);
  EXPECT_FALSE(env.Exists(from));
  EXPECT_TRUE(os.files.FindFiles((folder + u".*.tmp").c_str()).empty());

  EXPECT_TRUE(os.files.Remove(free.c_str()));
  EXPECT_FALSE(env.Exists(free));
  EXPECT_FALSE(os.files.Remove(free.c_str()));
}

TEST_F(SavePlatformContract, ClipboardGivesTheDibBlockExactlyAndCfDibV5OnlyAsTheProgramPutIt) {
  const Bytes block = testsupport::RgbDib(3, 2, 24);
  for (const bool dibV5 : {false, true}) {
    env.PutDibOnClipboard(block, dibV5);
    ASSERT_TRUE(os.clipboard.Open());
    EXPECT_EQ(dibV5, os.clipboard.HasOwnDibV5()) << "the one the system makes from CF_DIB is not";
    const platform::Handle handle = dibV5 ? os.clipboard.GetDibV5() : os.clipboard.GetDib();
    const std::uint8_t* bytes = os.memory.Lock(handle);
    ASSERT_NE(nullptr, bytes);
    ASSERT_EQ(block.size(), os.memory.Size(handle));
    EXPECT_EQ(block, Bytes(bytes, bytes + block.size()));
    os.memory.Unlock(handle);
    os.clipboard.Close();
  }
}

TEST_F(SavePlatformContract, ClipboardWithTextHasNoDibAndEachNewContentANewNumberAndItsOwner) {
  env.PutDibOnClipboard(testsupport::RgbDib(1, 1, 24));
  EXPECT_FALSE(os.clipboard.HasText());
  EXPECT_EQ(env.ClipboardProgram(), os.shell.WindowProgram(os.clipboard.OwnerWindow())) << "its file name only";
  const std::uint32_t picture = os.clipboard.SequenceNumber();
  EXPECT_EQ(picture, os.clipboard.SequenceNumber()) << "unchanged while nothing changes";
  ASSERT_TRUE(os.clipboard.Open());
  EXPECT_TRUE(os.memory.Lock(os.clipboard.GetDib()) != nullptr);
  os.memory.Unlock(os.clipboard.GetDib());
  os.clipboard.Close();
  EXPECT_EQ(picture, os.clipboard.SequenceNumber()) << "reading is no change";

  env.PutTextOnClipboard(u"only text");
  EXPECT_NE(picture, os.clipboard.SequenceNumber());
  EXPECT_TRUE(os.clipboard.HasText());
  ASSERT_TRUE(os.clipboard.Open());
  EXPECT_FALSE(os.clipboard.HasDib());
  EXPECT_FALSE(os.clipboard.HasNamed(u"ExcludeClipboardContentFromMonitorProcessing"));
  os.clipboard.Close();
}

TEST_F(SavePlatformContract, ClipboardHeldByAnotherProgramOrThreadCannotBeOpened) {
  env.HoldClipboard();
  EXPECT_FALSE(os.clipboard.Open());
  EXPECT_EQ(env.ClipboardProgram(), os.shell.WindowProgram(os.clipboard.OpenerWindow())) << "named by its window";
  env.ReleaseClipboard();
  ASSERT_TRUE(os.clipboard.Open());
  EXPECT_EQ(nullptr, os.clipboard.OpenerWindow()) << "opened without a window";
  EXPECT_EQ(u"", os.shell.WindowProgram(nullptr));
  // Wine lets a second OpenClipboard(NULL) in; the program opens it on one
  // thread at a time (the hot key waits for its save), and retries if refused.
  bool second = false;
  std::thread([&] {
    second = os.clipboard.Open();
    if (second) os.clipboard.Close();
  }).join();
  EXPECT_EQ(env.IsWine(), second);
  os.clipboard.Close();
}

struct Handover {
  std::unique_ptr<platform::Monitor> monitor;
  int value = 0;
};

std::uint32_t HandOver(void* parameter) {
  auto* handover = static_cast<Handover*>(parameter);
  handover->monitor->Lock();
  handover->value = 2;
  handover->monitor->WakeAll();
  handover->monitor->Unlock();
  return 0;
}

TEST_F(SavePlatformContract, ThreadRunsWithItsParameterAndTheMonitorWaitsForItOrForTheTime) {
  Handover handover{os.threads.NewMonitor()};
  handover.monitor->Lock();
  EXPECT_FALSE(handover.monitor->Wait(20)) << "nothing wakes it: the time runs out";
  const platform::ThreadHandle thread(os.threads, os.threads.Start(HandOver, &handover));
  ASSERT_NE(nullptr, thread.get());
  while (handover.value != 2) handover.monitor->Wait(platform::kWaitForever);
  handover.monitor->Unlock();
  EXPECT_EQ(2, handover.value);
}

TEST_F(SavePlatformContract, ThisProcessRunsAndAnEndedOneDoesNot) {
  EXPECT_TRUE(os.threads.ProcessRunning(os.threads.ProcessId()));
  const std::uint32_t ended = env.EndedProcessId();
  ASSERT_NE(0u, ended);
  EXPECT_FALSE(os.threads.ProcessRunning(ended));
}

TEST_F(SavePlatformContract, LocalTimeIsADate) {
  const platform::LocalTime now = os.clock.Now();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.minute, 59);
  EXPECT_LE(now.second, 59);
}

}  // namespace
