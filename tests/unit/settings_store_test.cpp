#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "settings/hot_key.h"
#include "settings_fixture.h"

namespace {

using fake::Bytes;

constexpr std::uint32_t kRegSz = 1;
const std::u16string kStartupFailed =
    u"程序初始化失败, 该程序可能有BUG或不适合此系统的运行环境, 您可以通过本程序的\"关于\"窗口获取作者的联系方式, 反馈问题";

class SettingsStoreTest : public SettingsFixture {};

TEST_F(SettingsStoreTest, FirstStartStoresTheDefaultsByteForByte) {
  InitDefaultSettings();
  EXPECT_EQ(defaultFolder, std::u16string(g_szPath));
  EXPECT_EQ(0x00020069u, g_dwKeys);

  EXPECT_EQ(1, LoadSettings());
  ASSERT_TRUE(Stored(u"Path"));
  EXPECT_EQ(platform::kRegBinary, Stored(u"Path")->type);
  EXPECT_EQ(FolderBytes(defaultFolder), Stored(u"Path")->data);
  ASSERT_TRUE(Stored(u"Keys"));
  EXPECT_EQ(platform::kRegDword, Stored(u"Keys")->type);
  EXPECT_EQ((Bytes{0x69, 0x00, 0x02, 0x00}), Stored(u"Keys")->data);
  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(0, os.registry.openKeys);
  EXPECT_EQ(nullptr, g_hConfigKey);
  EXPECT_FALSE(Stored(u"Format")) << "a missing format is BMP, and never written back";
}

TEST_F(SettingsStoreTest, FormatIsPngOrJpgOnlyWhenStoredSoAndNeverWrittenBack) {
  Store(u"Path", platform::kRegBinary, FolderBytes(u"D:\\shots\\"));
  Store(u"Keys", platform::kRegDword, Word(kDefaultHotKey.Stored()));
  g_dwFormat = kFormatPng;
  EXPECT_EQ(1, LoadSettings());
  EXPECT_EQ(kFormatBmp, g_dwFormat) << "absent";
  // A REG_DWORD 1 and 2; then an unknown format, a REG_BINARY and a REG_SZ.
  const std::uint32_t types[] = {platform::kRegDword, platform::kRegDword, platform::kRegDword, platform::kRegBinary,
                                 kRegSz};
  const std::uint32_t stored[] = {1, 2, 3, 1, 1}, read[] = {kFormatPng, kFormatJpg, kFormatBmp, kFormatBmp, kFormatBmp};
  for (std::uint32_t i = 0; i < 5; ++i) {
    Store(u"Format", types[i], Word(stored[i]));
    g_dwFormat = i == 0 ? kFormatBmp : kFormatPng;
    EXPECT_EQ(1, LoadSettings());
    EXPECT_EQ(read[i], g_dwFormat) << i;
  }
  EXPECT_TRUE(os.registry.sets.empty());
  EXPECT_TRUE(os.messageBoxes.shown.empty());
}

TEST_F(SettingsStoreTest, AcceptedValuesAreLoadedUnchangedAndNotWrittenBack) {
  struct Case {
    const char* name;
    std::uint32_t keysType;
    std::uint32_t keys;
  };
  for (const Case& c : {Case{"REG_DWORD", platform::kRegDword, 0x00050041},
                        Case{"4-byte REG_BINARY", platform::kRegBinary, 0x00010070},
                        Case{"modifier half 0", platform::kRegDword, 0x00000069}}) {
    fake::FakePlatform fresh;
    fresh.Install();
    InitDefaultSettings();
    fresh.registry.Put(kSettingsKey, u"Path", platform::kRegBinary, FolderBytes(u"D:\\shots\\"));
    fresh.registry.Put(kSettingsKey, u"Keys", c.keysType, Word(c.keys));

    EXPECT_EQ(1, LoadSettings()) << c.name;
    EXPECT_EQ(std::u16string(u"D:\\shots\\"), std::u16string(g_szPath)) << c.name;
    EXPECT_EQ(c.keys, g_dwKeys) << c.name;
    EXPECT_TRUE(fresh.registry.sets.empty()) << c.name;
  }
}

TEST_F(SettingsStoreTest, AutoSaveAndNotifyAreOnOnlyForADwordOfOneAndAreNeverWrittenBack) {
  Store(u"Path", platform::kRegBinary, FolderBytes(u"D:\\shots\\"));
  Store(u"Keys", platform::kRegDword, Word(0x00020069));
  for (const auto& [data, on] : std::vector<std::pair<Bytes, int>>{{{}, 0}, {Word(1), 1}, {Word(2), 0}, {{1, 0}, 0}}) {
    if (!data.empty()) Store(u"AutoSave", platform::kRegDword, data);
    if (!data.empty()) Store(u"Notify", platform::kRegDword, data);
    g_bAutoSave = 1 - on;
    g_bNotify = 1 - on;
    EXPECT_EQ(1, LoadSettings());
    EXPECT_EQ(on, g_bAutoSave) << data.size() << " bytes";
    EXPECT_EQ(on, g_bNotify) << data.size() << " bytes";
  }
  EXPECT_TRUE(os.registry.sets.empty()) << "nothing written back";
}

TEST_F(SettingsStoreTest, NameFormatIsTheStoredTemplateOnlyWhereTheSettingsWouldTakeItAndNeverWrittenBack) {
  const std::u16string perMonth = u"{yyyy}-{MM}\\{dd}_{HH}-{mm}-{ss}", standard = kDefaultNameFormat;
  Store(u"Path", platform::kRegBinary, FolderBytes(u"D:\\" + std::u16string(215, u'f') + u"\\"));  // 219 units
  Store(u"Keys", platform::kRegDword, Word(0x00020069));
  const struct {
    std::uint32_t type;
    Bytes data;  // empty: none stored
    std::u16string loaded;
  } cases[] = {{kRegSz, {}, standard}, {kRegSz, StringBytes(perMonth), perMonth},
               {kRegSz, StringBytes(u"{yyyy}-{MM}"), standard},                      // no {ss}
               {kRegSz, StringBytes(u"{ss}" + std::u16string(29, u'x')), standard},  // too long for the folder
               {platform::kRegBinary, StringBytes(perMonth), standard}};
  for (const auto& c : cases) {
    if (!c.data.empty()) Store(u"NameFormat", c.type, c.data);
    CopyText(g_szNameFormat, kNameFormatChars, u"{ss}");
    EXPECT_EQ(1, LoadSettings());
    EXPECT_EQ(c.loaded, g_szNameFormat) << c.data.size() << " bytes";
  }
  EXPECT_TRUE(os.registry.sets.empty()) << "nothing written back";
}

TEST_F(SettingsStoreTest, UnreadableKeysIsWrittenFromMemoryBesideTheFolderRead) {
  struct Case {
    const char* name;
    std::uint32_t type;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {"missing", 0, {}},
      {"3-byte REG_BINARY", platform::kRegBinary, {0x41, 0, 1}},
      {"2-byte REG_DWORD", platform::kRegDword, {0x41, 0}},
      {"REG_SZ", kRegSz, {0x41, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    fresh.Install();
    fresh.registry.Put(kSettingsKey, u"Path", platform::kRegBinary, FolderBytes(u"D:\\shots\\"));
    if (c.type != 0) fresh.registry.Put(kSettingsKey, u"Keys", c.type, c.data);
    CopyText(g_szPath, kPathChars, u"C:\\other\\");
    g_dwKeys = 0x00040042;  // a later load: whatever memory holds goes back

    EXPECT_EQ(1, LoadSettings()) << c.name;
    EXPECT_EQ(std::u16string(u"D:\\shots\\"), std::u16string(g_szPath)) << c.name;
    EXPECT_EQ(0x00040042u, g_dwKeys) << c.name;
    EXPECT_EQ(FolderBytes(u"D:\\shots\\"), fresh.registry.Get(kSettingsKey, u"Path")->data) << c.name;
    EXPECT_EQ(platform::kRegDword, fresh.registry.Get(kSettingsKey, u"Keys")->type) << c.name;
    EXPECT_EQ(Word(0x00040042), fresh.registry.Get(kSettingsKey, u"Keys")->data) << c.name;
  }
}

TEST_F(SettingsStoreTest, UnreadablePathLeavesMemoryAndBothValuesAreWrittenFromIt) {
  Bytes noNul(440, 0);
  for (std::size_t i = 0; i < noNul.size(); i += 2) noNul[i] = 'A';
  struct Case {
    const char* name;
    std::uint32_t type;
    Bytes data;
  };
  const std::vector<Case> cases = {
      {"REG_SZ", kRegSz, {'D', 0, ':', 0, '\\', 0, 0, 0}},
      {"REG_BINARY of 441 bytes", platform::kRegBinary, Bytes(441, 'B')},
      {"440 bytes without a NUL", platform::kRegBinary, noNul},
      {"REG_DWORD", platform::kRegDword, Word(0x5C003A44)},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    fresh.Install();
    InitDefaultSettings();
    fresh.registry.Put(kSettingsKey, u"Path", c.type, c.data);
    fresh.registry.Put(kSettingsKey, u"Keys", platform::kRegDword, Word(0x00010041));

    EXPECT_EQ(1, LoadSettings()) << c.name;
    EXPECT_EQ(FolderBytes(defaultFolder), MemoryBytes()) << c.name << ": the refused read changed nothing";
    EXPECT_EQ(0x00020069u, g_dwKeys) << c.name << ": \"Keys\" is not read after a failed \"Path\"";
    const auto path = fresh.registry.Get(kSettingsKey, u"Path");
    EXPECT_EQ(platform::kRegBinary, path->type) << c.name;
    EXPECT_EQ(FolderBytes(defaultFolder), path->data) << c.name;
    EXPECT_EQ(Word(0x00020069), fresh.registry.Get(kSettingsKey, u"Keys")->data) << c.name;
    EXPECT_TRUE(fresh.messageBoxes.shown.empty()) << c.name;
  }
}

TEST_F(SettingsStoreTest, ShortPathReplacesOnlyItsOwnLengthOfTheFolder) {
  InitDefaultSettings();
  Store(u"Path", platform::kRegBinary, {'E', 0, ':', 0});  // no NUL of its own
  Store(u"Keys", platform::kRegDword, Word(0x00020069));
  EXPECT_EQ(1, LoadSettings());
  EXPECT_EQ(u"E:" + defaultFolder.substr(2), std::u16string(g_szPath));

  Store(u"Path", platform::kRegBinary, {'F', 0, ':', 0, '\\', 0, 0, 0});
  EXPECT_EQ(1, LoadSettings());
  EXPECT_EQ(std::u16string(u"F:\\"), std::u16string(g_szPath));
  EXPECT_EQ(defaultFolder.substr(4), std::u16string(g_szPath + 4)) << "the earlier text stays after the NUL";
  EXPECT_TRUE(os.registry.sets.empty());
}

TEST_F(SettingsStoreTest, KeyThatCannotBeOpenedReadsAndWritesNothing) {
  InitDefaultSettings();
  os.registry.createFails = fake::FakeRegistry::Failure{0, 5};
  EXPECT_EQ(0, LoadSettings());
  EXPECT_TRUE(os.registry.gets.empty());
  EXPECT_TRUE(os.registry.sets.empty());
  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(defaultFolder, std::u16string(g_szPath));
}

TEST_F(SettingsStoreTest, FailedWriteBackShowsThePathCountInTheGhBox) {
  struct Case {
    const char* name;
    std::function<void(fake::FakeRegistry&)> arrange;
    std::u16string count;
  };
  const std::vector<Case> cases = {
      {"nothing stored, \"Path\" not written",
       [](fake::FakeRegistry& r) { r.setFails[u"Path"] = {0, 5}; }, u"440"},
      {"10 bytes of \"Path\" read, \"Keys\" not written",
       [](fake::FakeRegistry& r) {
         r.Put(kSettingsKey, u"Path", platform::kRegBinary, {'D', 0, ':', 0, '\\', 0, 'x', 0, 0, 0});
         r.setFails[u"Keys"] = {0, 5};
       },
       u"10"},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    fresh.Install();
    InitDefaultSettings();
    c.arrange(fresh.registry);
    EXPECT_EQ(0, LoadSettings()) << c.name;
    ASSERT_EQ(1u, fresh.messageBoxes.shown.size()) << c.name;
    EXPECT_EQ(c.count, fresh.messageBoxes.shown[0].text) << c.name;
    EXPECT_EQ(std::u16string(u"GH"), fresh.messageBoxes.shown[0].caption);
    EXPECT_EQ(platform::kMbTaskModal, fresh.messageBoxes.shown[0].style);
    EXPECT_EQ(0, fresh.registry.openKeys) << c.name;
  }
}

TEST_F(SettingsStoreTest, DesktopThatCannotTakeTheSubfolderGivesTheStartupMessageAndNoDefaults) {
  struct Case {
    const char* name;
    std::function<void(fake::FakeShell&)> arrange;
  };
  const std::vector<Case> cases = {
      {"no desktop folder", [](fake::FakeShell& s) { s.fails = true; }},
      {"207 characters", [](fake::FakeShell& s) { s.desktop = u"C:\\" + std::u16string(204, u'd'); }},
      {"259 characters", [](fake::FakeShell& s) { s.desktop = u"C:\\" + std::u16string(256, u'd'); }},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    fresh.Install();
    c.arrange(fresh.shell);

    InitDefaultSettings();
    ASSERT_EQ(1u, fresh.messageBoxes.shown.size()) << c.name;
    EXPECT_EQ(kStartupFailed, fresh.messageBoxes.shown[0].text);
    EXPECT_EQ(std::u16string(u"错误"), fresh.messageBoxes.shown[0].caption);
    EXPECT_EQ(0x10u, fresh.messageBoxes.shown[0].style);
    EXPECT_EQ(Bytes(440, 0), MemoryBytes()) << c.name;
    EXPECT_EQ(0u, g_dwKeys) << c.name;

    EXPECT_EQ(1, LoadSettings()) << c.name;
    EXPECT_EQ(Bytes(440, 0), fresh.registry.Get(kSettingsKey, u"Path")->data) << c.name;
    EXPECT_EQ(Word(0), fresh.registry.Get(kSettingsKey, u"Keys")->data) << c.name;
  }
}

TEST_F(SettingsStoreTest, DesktopOf206CharactersJustFits) {
  os.shell.desktop = u"C:\\" + std::u16string(203, u'd');
  InitDefaultSettings();
  EXPECT_TRUE(os.messageBoxes.shown.empty());
  EXPECT_EQ(219u, BoundedLength(g_szPath, kPathChars));
  EXPECT_EQ(os.shell.desktop + u"\\screenshots\\", std::u16string(g_szPath));
  EXPECT_EQ(0x00020069u, g_dwKeys);
}

TEST_F(SettingsStoreTest, SaveWritesTheWholeBufferAndAShorterFolderLeavesTheOldTail) {
  const std::u16string longFolder = u"D:\\a rather long folder name\\";
  g_dwKeys = 0x00010041;
  ASSERT_TRUE(StoreSettings(longFolder.c_str(), kFormatBmp));
  ASSERT_TRUE(StoreSettings(u"E:\\s\\", kFormatBmp));

  Bytes expected = FolderBytes(longFolder);
  const Bytes shorter = FolderBytes(u"E:\\s\\");
  std::copy(shorter.begin(), shorter.begin() + 12, expected.begin());  // "E:\s\" and its NUL
  EXPECT_EQ(expected, Stored(u"Path")->data);
  EXPECT_EQ(platform::kRegBinary, Stored(u"Path")->type);
  EXPECT_EQ(Word(0x00010041), Stored(u"Keys")->data);
  EXPECT_EQ(platform::kRegDword, Stored(u"Keys")->type);

  ASSERT_EQ(2u, os.messageBoxes.shown.size());
  EXPECT_EQ(std::u16string(u"保存成功"), os.messageBoxes.shown[1].text);
  EXPECT_EQ(std::u16string(g_szCaption), os.messageBoxes.shown[1].caption);
  EXPECT_EQ(platform::kMbIconInformation | platform::kMbTaskModal, os.messageBoxes.shown[1].style);
  EXPECT_EQ(0, os.registry.openKeys);

  EXPECT_EQ(1, LoadSettings());
  EXPECT_EQ(std::u16string(u"E:\\s\\"), std::u16string(g_szPath));
}

TEST_F(SettingsStoreTest, SaveWhoseRegistryWriteFailsKeepsTheDialogOpenAndTheNewSettingsInMemory) {
  struct Case {
    const char* name;
    std::function<void(fake::FakeRegistry&)> arrange;
    std::u16string storedFolder;
    std::uint32_t storedKeys = 0x00020069;
  };
  const std::vector<Case> cases = {
      {"key not opened", [](fake::FakeRegistry& r) { r.createFails = fake::FakeRegistry::Failure{0, 5}; },
       u"D:\\old\\"},
      {"\"Path\" not written", [](fake::FakeRegistry& r) { r.setFails[u"Path"] = {0, 5}; }, u"D:\\old\\"},
      {"\"Keys\" not written", [](fake::FakeRegistry& r) { r.setFails[u"Keys"] = {0, 5}; }, u"D:\\new\\"},
      {"\"Format\" not written", [](fake::FakeRegistry& r) { r.setFails[u"Format"] = {0, 5}; }, u"D:\\new\\",
       0x00010041},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    fresh.Install();
    fresh.registry.Put(kSettingsKey, u"Path", platform::kRegBinary, FolderBytes(u"D:\\old\\"));
    fresh.registry.Put(kSettingsKey, u"Keys", platform::kRegDword, Word(0x00020069));
    CopyText(g_szPath, kPathChars, u"D:\\old\\");
    g_dwKeys = 0x00010041;  // registered by the Save just before
    c.arrange(fresh.registry);

    EXPECT_FALSE(StoreSettings(u"D:\\new\\", kFormatPng)) << c.name;
    ASSERT_EQ(1u, fresh.messageBoxes.shown.size()) << c.name;
    EXPECT_EQ(std::u16string(u"保存配置信息失败"), fresh.messageBoxes.shown[0].text);
    EXPECT_EQ(std::u16string(g_szCaption), fresh.messageBoxes.shown[0].caption);
    EXPECT_EQ(platform::kMbIconError | platform::kMbTaskModal, fresh.messageBoxes.shown[0].style);
    EXPECT_EQ(std::u16string(u"D:\\new\\"), std::u16string(g_szPath)) << c.name;
    EXPECT_EQ(0x00010041u, g_dwKeys);
    EXPECT_EQ(kFormatPng, g_dwFormat) << c.name;
    EXPECT_EQ(0, fresh.registry.openKeys) << c.name;

    fresh.registry.createFails.reset();
    fresh.registry.setFails.clear();
    EXPECT_EQ(1, LoadSettings()) << c.name << ": the next load brings back what is stored";
    EXPECT_EQ(c.storedFolder, std::u16string(g_szPath)) << c.name;
    EXPECT_EQ(c.storedKeys, g_dwKeys) << c.name;
    EXPECT_EQ(kFormatBmp, g_dwFormat) << c.name;
  }
}

TEST_F(SettingsStoreTest, FolderThatCannotBeCopiedKeepsTheOldOneAndStoresNothing) {
  CopyText(g_szPath, kPathChars, u"D:\\old\\");
  const std::u16string tooLong = u"D:\\" + std::u16string(216, u'x') + u"\\";  // 220 characters
  for (const char16_t* folder : {tooLong.c_str(), u""}) {
    EXPECT_FALSE(StoreSettings(folder, kFormatPng));
    EXPECT_EQ(std::u16string(u"D:\\old\\"), std::u16string(g_szPath));
  }
  EXPECT_EQ(0, os.registry.creates);
  ASSERT_EQ(2u, os.messageBoxes.shown.size());
  EXPECT_EQ(std::u16string(u"保存配置信息失败"), os.messageBoxes.shown[1].text);
}

}  // namespace
