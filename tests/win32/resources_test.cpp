// The resources built into Tarnwick.exe, read back as the system reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/dialog_template.h"

namespace {

constexpr WORD kChineseSimplified = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052

class TarnwickResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe(path);
    exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"Tarnwick.exe";
    module = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  }

  static std::basic_string<std::uint8_t> Resource(LPCWSTR type, WORD id, WORD language = kChineseSimplified) {
    HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
    if (found == nullptr) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
    return std::basic_string<std::uint8_t>(bytes, SizeofResource(module, found));
  }

  static testsupport::DialogTemplate Dialog(WORD id) {
    const auto bytes = Resource(RT_DIALOG, id);
    return testsupport::ParseDialogTemplate(bytes.data(), bytes.size());
  }

  static HMODULE module;
};
HMODULE TarnwickResources::module = nullptr;

TEST_F(TarnwickResources, MainDialogIsHiddenMinimisedAndEmpty) {
  ASSERT_NE(nullptr, module);
  const auto t = Dialog(102);
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(0xA00000C8u, t.style) << "popup, minimised, modal frame, font, fixed-sys; not visible";
  EXPECT_EQ(0u, t.exStyle);
  EXPECT_EQ(0, t.x);
  EXPECT_EQ(0, t.y);
  EXPECT_EQ(0, t.cx);
  EXPECT_EQ(0, t.cy);
  EXPECT_EQ(u"", t.menu);
  EXPECT_EQ(u"", t.windowClass);
  EXPECT_EQ(u"", t.title);
  EXPECT_EQ(9, t.pointSize);
  EXPECT_EQ(400, t.weight);
  EXPECT_EQ(0, t.italic);
  EXPECT_EQ(134, t.charset);
  EXPECT_EQ(u"MS Shell Dlg", t.typeface);
  EXPECT_TRUE(t.items.empty());
}

TEST_F(TarnwickResources, TrayMenuHasItsFiveEntriesInOrder) {
  ASSERT_NE(nullptr, module);
  HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(133));
  ASSERT_NE(nullptr, menu);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(nullptr, popup);
  ASSERT_EQ(5, GetMenuItemCount(popup));
  const struct {
    const wchar_t* text;
    UINT id;
  } expected[] = {{L"设置", 32775}, {L"帮助", 32781}, {L"关于...", 32776}, {nullptr, 0}, {L"退出", 32777}};
  for (int i = 0; i < 5; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    wchar_t text[32] = {};
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = 32;
    ASSERT_TRUE(GetMenuItemInfoW(popup, i, TRUE, &info)) << i;
    if (expected[i].text == nullptr) {
      EXPECT_TRUE(info.fType & MFT_SEPARATOR) << i;
      continue;
    }
    EXPECT_STREQ(expected[i].text, text) << i;
    EXPECT_EQ(expected[i].id, info.wID) << i;
    EXPECT_EQ(0u, info.fState & (MFS_CHECKED | MFS_GRAYED | MFS_DEFAULT)) << i;
  }
  DestroyMenu(menu);
}

TEST_F(TarnwickResources, VersionRecordNamesTheProgram) {
  ASSERT_NE(nullptr, module);
  const auto bytes = Resource(RT_VERSION, 1);
  ASSERT_FALSE(bytes.empty());
  std::basic_string<std::uint8_t> copy = bytes;  // VerQueryValue may write into its block
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
  EXPECT_EQ(0x00000001u, fixed->dwFileVersionLS);
  EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
  EXPECT_EQ(0x00000001u, fixed->dwProductVersionLS);

  auto text = [&](const wchar_t* name) {
    wchar_t* value = nullptr;
    UINT size = 0;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\080404b0\\") + name;
    if (!VerQueryValueW(copy.data(), query.c_str(), reinterpret_cast<void**>(&value), &size)) return std::wstring();
    return std::wstring(value);
  };
  EXPECT_EQ(L"Tarnwick", text(L"FileDescription"));
  EXPECT_EQ(L"Tarnwick.exe", text(L"InternalName"));
  EXPECT_EQ(L"Tarnwick.exe", text(L"OriginalFilename"));
  EXPECT_EQ(L"1.0.0.1", text(L"FileVersion"));
}

TEST_F(TarnwickResources, ManifestAsksForCommonControlsSixAndPerMonitorDpi) {
  ASSERT_NE(nullptr, module);
  const auto bytes = Resource(RT_MANIFEST, 1);
  const std::string manifest(bytes.begin(), bytes.end());
  EXPECT_NE(std::string::npos, manifest.find("Microsoft.Windows.Common-Controls"));
  EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
  EXPECT_NE(std::string::npos, manifest.find("asInvoker"));
  EXPECT_NE(std::string::npos, manifest.find("PerMonitorV2"));
  EXPECT_NE(std::string::npos, manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"));
}

}  // namespace
