#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "settings/default_settings.h"
#include "settings/hot_key.h"
#include "settings/settings_fault.h"
#include "settings_fixture.h"

namespace {

using fake::Bytes;

constexpr std::uint32_t kRegSz = 1;

TEST(SettingsFaultText, EachFaultHasItsTextAndTheWriteBackItsCount) {
  const std::pair<SettingsFaultKind, std::u16string> texts[] = {
      {SettingsFaultKind::kNone, u""},
      {SettingsFaultKind::kNoDefaultFolder,
       u"程序初始化失败, 该程序可能有BUG或不适合此系统的运行环境, 您可以通过本程序的\"关于\"窗口获取作者的联系方式, 反馈问题"},
      {SettingsFaultKind::kNotLoaded, u"获取配置信息失败"},
      {SettingsFaultKind::kBadFolder, u"路径不合法或没有权限访问该路径"},
      {SettingsFaultKind::kNeedsCombination, u"必须使用一个组合键作为热键"},
      {SettingsFaultKind::kKeyTakenAtStart, u"注册热键失败, 热键可能已被其他程序占用, 请设置其他热键"},
      {SettingsFaultKind::kKeyTaken, u"注册热键失败, 热键已被其他程序占用, 请设置其他热键"},
      {SettingsFaultKind::kNotStored, u"保存配置信息失败"},
  };
  for (const auto& [kind, text] : texts) EXPECT_EQ(text, SettingsFaultText(SettingsFault(kind))) << int(kind);
  // A refused template tells its own fault's text (see NameFormatFaultText).
  SettingsFault refused(SettingsFaultKind::kBadNameFormat);
  refused.nameFormat = NameFormatFault::kBadLevel;
  EXPECT_EQ(NameFormatFaultText(NameFormatFault::kBadLevel), SettingsFaultText(refused));
  EXPECT_EQ(u"440", WriteBackText(440));
  EXPECT_EQ(u"0", WriteBackText(0));
}

class SettingsStoreTest : public SettingsFixture {};

TEST_F(SettingsStoreTest, FirstStartStoresTheDefaultsByteForByte) {
  EXPECT_TRUE(InitDefaultSettings(os.shell).ok());
  EXPECT_EQ(defaultFolder, std::u16string(g_szPath));
  EXPECT_EQ(0x00020069u, g_dwKeys);

  EXPECT_TRUE(LoadSettings(os.registry).ok());
  ASSERT_TRUE(Stored(u"Path"));
  EXPECT_EQ(platform::kRegBinary, Stored(u"Path")->type);
  EXPECT_EQ(FolderBytes(defaultFolder), Stored(u"Path")->data);
  ASSERT_TRUE(Stored(u"Keys"));
  EXPECT_EQ(platform::kRegDword, Stored(u"Keys")->type);
  EXPECT_EQ((Bytes{0x69, 0x00, 0x02, 0x00}), Stored(u"Keys")->data);
  EXPECT_EQ(0, os.registry.openKeys);
  EXPECT_EQ(nullptr, g_hConfigKey);
  EXPECT_FALSE(Stored(u"Format")) << "a missing format is BMP, and never written back";
}

TEST_F(SettingsStoreTest, FormatIsPngOrJpgOnlyWhenStoredSoAndNeverWrittenBack) {
  Store(u"Path", platform::kRegBinary, FolderBytes(u"D:\\shots\\"));
  Store(u"Keys", platform::kRegDword, Word(kDefaultHotKey.Stored()));
  InMemory([](PersistedSettings& s) { s.format = kFormatPng; });
  EXPECT_TRUE(LoadSettings(os.registry).ok());
  EXPECT_EQ(kFormatBmp, g_dwFormat) << "absent";
  // A REG_DWORD 1 and 2; then an unknown format, a REG_BINARY and a REG_SZ.
  const std::uint32_t types[] = {platform::kRegDword, platform::kRegDword, platform::kRegDword, platform::kRegBinary,
                                 kRegSz};
  const std::uint32_t stored[] = {1, 2, 3, 1, 1}, read[] = {kFormatPng, kFormatJpg, kFormatBmp, kFormatBmp, kFormatBmp};
  for (std::uint32_t i = 0; i < 5; ++i) {
    Store(u"Format", types[i], Word(stored[i]));
    InMemory([&](PersistedSettings& s) { s.format = i == 0 ? kFormatBmp : kFormatPng; });
    EXPECT_TRUE(LoadSettings(os.registry).ok());
    EXPECT_EQ(read[i], g_dwFormat) << i;
  }
  EXPECT_TRUE(os.registry.sets.empty());
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
    InitDefaultSettings(fresh.shell);
    fresh.registry.Put(kSettingsKey, u"Path", platform::kRegBinary, FolderBytes(u"D:\\shots\\"));
    fresh.registry.Put(kSettingsKey, u"Keys", c.keysType, Word(c.keys));

    EXPECT_TRUE(LoadSettings(fresh.registry).ok()) << c.name;
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
    InMemory([&](PersistedSettings& s) { s.autoSave = s.notify = on == 0; });
    EXPECT_TRUE(LoadSettings(os.registry).ok());
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
    InMemory([](PersistedSettings& s) { CopyText(s.nameFormat, kNameFormatChars, u"{ss}"); });
    EXPECT_TRUE(LoadSettings(os.registry).ok());
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
    fresh.registry.Put(kSettingsKey, u"Path", platform::kRegBinary, FolderBytes(u"D:\\shots\\"));
    if (c.type != 0) fresh.registry.Put(kSettingsKey, u"Keys", c.type, c.data);
    InMemory([](PersistedSettings& s) {  // a later load: whatever memory holds goes back
      CopyText(s.folder, kPathChars, u"C:\\other\\");
      s.keys = 0x00040042;
    });

    EXPECT_TRUE(LoadSettings(fresh.registry).ok()) << c.name;
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
    InitDefaultSettings(fresh.shell);
    fresh.registry.Put(kSettingsKey, u"Path", c.type, c.data);
    fresh.registry.Put(kSettingsKey, u"Keys", platform::kRegDword, Word(0x00010041));

    EXPECT_TRUE(LoadSettings(fresh.registry).ok()) << c.name;
    EXPECT_EQ(FolderBytes(defaultFolder), MemoryBytes()) << c.name << ": the refused read changed nothing";
    EXPECT_EQ(0x00020069u, g_dwKeys) << c.name << ": \"Keys\" is not read after a failed \"Path\"";
    const auto path = fresh.registry.Get(kSettingsKey, u"Path");
    EXPECT_EQ(platform::kRegBinary, path->type) << c.name;
    EXPECT_EQ(FolderBytes(defaultFolder), path->data) << c.name;
    EXPECT_EQ(Word(0x00020069), fresh.registry.Get(kSettingsKey, u"Keys")->data) << c.name;
  }
}

TEST_F(SettingsStoreTest, ShortPathReplacesOnlyItsOwnLengthOfTheFolder) {
  InitDefaultSettings(os.shell);
  Store(u"Path", platform::kRegBinary, {'E', 0, ':', 0});  // no NUL of its own
  Store(u"Keys", platform::kRegDword, Word(0x00020069));
  EXPECT_TRUE(LoadSettings(os.registry).ok());
  EXPECT_EQ(u"E:" + defaultFolder.substr(2), std::u16string(g_szPath));

  Store(u"Path", platform::kRegBinary, {'F', 0, ':', 0, '\\', 0, 0, 0});
  EXPECT_TRUE(LoadSettings(os.registry).ok());
  EXPECT_EQ(std::u16string(u"F:\\"), std::u16string(g_szPath));
  EXPECT_EQ(defaultFolder.substr(4), std::u16string(g_szPath + 4)) << "the earlier text stays after the NUL";
  EXPECT_TRUE(os.registry.sets.empty());
}

TEST_F(SettingsStoreTest, KeyThatCannotBeOpenedReadsAndWritesNothing) {
  InitDefaultSettings(os.shell);
  os.registry.createFails = fake::FakeRegistry::Failure{0, 5};
  const SettingsFault fault = LoadSettings(os.registry);
  EXPECT_EQ(SettingsFaultKind::kNotLoaded, fault.kind);
  EXPECT_EQ(kSettingsKey, fault.where);
  EXPECT_EQ(5u, fault.error);
  EXPECT_FALSE(fault.writeBackCount) << "nothing was read, so nothing written back";
  EXPECT_TRUE(os.registry.gets.empty());
  EXPECT_TRUE(os.registry.sets.empty());
  EXPECT_EQ(defaultFolder, std::u16string(g_szPath));
}

TEST_F(SettingsStoreTest, FailedWriteBackNamesTheValueAndCountsTheBytesOfPathRead) {
  struct Case {
    const char* name;
    std::function<void(fake::FakeRegistry&)> arrange;
    std::u16string value;
    std::uint32_t count;
  };
  const std::vector<Case> cases = {
      {"nothing stored, \"Path\" not written",
       [](fake::FakeRegistry& r) { r.setFails[u"Path"] = {0, 5}; }, u"Path", 440},
      {"10 bytes of \"Path\" read, \"Keys\" not written",
       [](fake::FakeRegistry& r) {
         r.Put(kSettingsKey, u"Path", platform::kRegBinary, {'D', 0, ':', 0, '\\', 0, 'x', 0, 0, 0});
         r.setFails[u"Keys"] = {0, 5};
       },
       u"Keys", 10},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    InitDefaultSettings(fresh.shell);
    c.arrange(fresh.registry);
    const SettingsFault fault = LoadSettings(fresh.registry);
    EXPECT_EQ(SettingsFaultKind::kNotLoaded, fault.kind) << c.name;
    EXPECT_EQ(c.value, fault.where) << c.name;
    EXPECT_EQ(5u, fault.error) << c.name;
    EXPECT_EQ(c.count, fault.writeBackCount.value_or(0)) << c.name;
    EXPECT_EQ(0, fresh.registry.openKeys) << c.name;
  }
}

TEST_F(SettingsStoreTest, DesktopThatCannotTakeTheSubfolderIsAStartupFaultAndGivesNoDefaults) {
  struct Case {
    const char* name;
    std::function<void(fake::FakeShell&)> arrange;
    std::u16string desktop;  // as the fault names it
  };
  const std::u16string longer = u"C:\\" + std::u16string(204, u'd');
  const std::vector<Case> cases = {
      {"no desktop folder", [](fake::FakeShell& s) { s.fails = true; }, u""},
      {"207 characters", [&](fake::FakeShell& s) { s.desktop = longer; }, longer},
      {"259 characters", [](fake::FakeShell& s) { s.desktop = u"C:\\" + std::u16string(256, u'd'); },
       u"C:\\" + std::u16string(256, u'd')},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    c.arrange(fresh.shell);

    const SettingsFault fault = InitDefaultSettings(fresh.shell);
    EXPECT_EQ(SettingsFaultKind::kNoDefaultFolder, fault.kind) << c.name;
    EXPECT_EQ(c.desktop, fault.where) << c.name;
    EXPECT_EQ(Bytes(440, 0), MemoryBytes()) << c.name;
    EXPECT_EQ(0u, g_dwKeys) << c.name;

    EXPECT_TRUE(LoadSettings(fresh.registry).ok()) << c.name;
    EXPECT_EQ(Bytes(440, 0), fresh.registry.Get(kSettingsKey, u"Path")->data) << c.name;
    EXPECT_EQ(Word(0), fresh.registry.Get(kSettingsKey, u"Keys")->data) << c.name;
  }
}

TEST_F(SettingsStoreTest, DesktopOf206CharactersJustFits) {
  os.shell.desktop = u"C:\\" + std::u16string(203, u'd');
  EXPECT_TRUE(InitDefaultSettings(os.shell).ok());
  EXPECT_EQ(219u, BoundedLength(g_szPath, kPathChars));
  EXPECT_EQ(os.shell.desktop + u"\\screenshots\\", std::u16string(g_szPath));
  EXPECT_EQ(0x00020069u, g_dwKeys);
}

TEST_F(SettingsStoreTest, StoreWhoseRegistryWriteFailsNamesTheValueAndKeepsTheNewSettingsInMemory) {
  struct Case {
    const char* name;
    std::function<void(fake::FakeRegistry&)> arrange;
    std::u16string where;
    std::u16string storedFolder;
    std::uint32_t storedKeys = 0x00020069;
  };
  const std::vector<Case> cases = {
      {"key not opened", [](fake::FakeRegistry& r) { r.createFails = fake::FakeRegistry::Failure{0, 5}; },
       kSettingsKey, u"D:\\old\\"},
      {"\"Path\" not written", [](fake::FakeRegistry& r) { r.setFails[u"Path"] = {0, 5}; }, u"Path", u"D:\\old\\"},
      {"\"Keys\" not written", [](fake::FakeRegistry& r) { r.setFails[u"Keys"] = {0, 5}; }, u"Keys", u"D:\\new\\"},
      {"\"Format\" not written", [](fake::FakeRegistry& r) { r.setFails[u"Format"] = {0, 5}; }, u"Format",
       u"D:\\new\\", 0x00010041},
  };
  for (const Case& c : cases) {
    fake::FakePlatform fresh;
    fresh.registry.Put(kSettingsKey, u"Path", platform::kRegBinary, FolderBytes(u"D:\\old\\"));
    fresh.registry.Put(kSettingsKey, u"Keys", platform::kRegDword, Word(0x00020069));
    c.arrange(fresh.registry);
    PersistedSettings next = CurrentSettings();
    CopyText(next.folder, kPathChars, u"D:\\new\\");
    next.keys = 0x00010041;
    next.format = kFormatPng;

    const SettingsFault fault = StoreSettings(fresh.registry, next, ValuesToWrite{});
    EXPECT_EQ(SettingsFaultKind::kNotStored, fault.kind) << c.name;
    EXPECT_EQ(c.where, fault.where) << c.name;
    EXPECT_EQ(5u, fault.error) << c.name;
    EXPECT_EQ(std::u16string(u"D:\\new\\"), std::u16string(g_szPath)) << c.name;
    EXPECT_EQ(0x00010041u, g_dwKeys);
    EXPECT_EQ(kFormatPng, g_dwFormat) << c.name;
    EXPECT_EQ(0, fresh.registry.openKeys) << c.name;

    fresh.registry.createFails.reset();
    fresh.registry.setFails.clear();
    EXPECT_TRUE(LoadSettings(fresh.registry).ok()) << c.name << ": the next load brings back what is stored";
    EXPECT_EQ(c.storedFolder, std::u16string(g_szPath)) << c.name;
    EXPECT_EQ(c.storedKeys, g_dwKeys) << c.name;
    EXPECT_EQ(kFormatBmp, g_dwFormat) << c.name;
  }
}

}  // namespace
