// The resources built into Tarnwick.exe, read back as the system reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

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

struct ExpectedItem {
  std::int32_t id;
  const char16_t* windowClass;  // the class a standard control stands in with
  std::int16_t x, y, cx, cy;
  std::uint32_t style;
  const char16_t* title;
};

std::u16string Upper(std::u16string text) {
  for (auto& c : text)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return text;
}

// Every field of a dialog and of each control, in template (= tab) order.
void ExpectDialog(const testsupport::DialogTemplate& t, std::uint32_t style, std::int16_t cx, std::int16_t cy,
                  const char16_t* title, std::uint16_t points, std::uint8_t charset,
                  const std::vector<ExpectedItem>& items) {
  ASSERT_TRUE(t.valid);
  EXPECT_EQ(style, t.style);
  EXPECT_EQ(0u, t.exStyle);
  EXPECT_EQ(0, t.x);
  EXPECT_EQ(0, t.y);
  EXPECT_EQ(cx, t.cx);
  EXPECT_EQ(cy, t.cy);
  EXPECT_EQ(u"", t.menu);
  EXPECT_EQ(u"", t.windowClass);
  EXPECT_EQ(std::u16string(title), t.title);
  EXPECT_EQ(points, t.pointSize);
  EXPECT_EQ(400, t.weight);
  EXPECT_EQ(0, t.italic);
  EXPECT_EQ(charset, t.charset);
  EXPECT_EQ(u"MS Shell Dlg", t.typeface);
  ASSERT_EQ(items.size(), t.items.size());
  for (std::size_t i = 0; i < items.size(); ++i) {
    const auto& got = t.items[i];
    const auto& want = items[i];
    EXPECT_EQ(want.id, got.id == 0xFFFF ? -1 : got.id) << i;
    EXPECT_EQ(Upper(want.windowClass), Upper(got.windowClass)) << i << ": class names ignore case";
    EXPECT_EQ(want.x, got.x) << i;
    EXPECT_EQ(want.y, got.y) << i;
    EXPECT_EQ(want.cx, got.cx) << i;
    EXPECT_EQ(want.cy, got.cy) << i;
    EXPECT_EQ(want.style, got.style) << i;
    EXPECT_EQ(0u, got.exStyle) << i;
    EXPECT_EQ(0u, got.helpId) << i;
    EXPECT_EQ(std::u16string(want.title), got.title) << i;
  }
}

TEST_F(TarnwickResources, SettingsDialogTemplate) {
  ASSERT_NE(nullptr, module);
  ExpectDialog(Dialog(132), 0x80C008C8, 309, 260, u"设置", 9, 134,
               {{-1, u"Static", 17, 12, 120, 8, 0x50020000, u"设置您的截图保存目录"},
                {1017, u"Edit", 17, 24, 257, 14, 0x50810080, u""},
                {1100, u"Button", 276, 24, 16, 14, 0x50010000, u"..."},
                {-1, u"Static", 17, 46, 120, 8, 0x50020000, u"设置您的截图热键组合"},
                {-1, u"Static", 17, 58, 182, 34, 0x50020000,
                 u"在右边的矩形框内同时键入键盘上的按键, 即可自动生成快捷键, 必须使用组合键, 且只能使用 Ctrl, Shift, Alt "
                 u"等键与其他键的组合, 部分组合键可能不起作用, 一旦确定热键, 可能会导致该热键的其他功能暂时不可用"},
                {1038, u"msctls_hotkey32", 211, 58, 81, 14, 0x50810000, u""},
                {-1, u"Static", 17, 96, 275, 16, 0x50000000,
                 u"热键将在关闭此窗口后生效, 如果选择取消, 热键配置不会改变, 如果选择保存, 热键将会更改为最后保存的热键"},
                {-1, u"Button", 11, 118, 287, 112, 0x50000007, u"选项"},
                {-1, u"Static", 21, 134, 46, 8, 0x50020000, u"文件名格式:"},
                {1049, u"Edit", 70, 132, 218, 14, 0x50810080, u""},
                {-1, u"Static", 21, 150, 46, 8, 0x50020000, u"下一个文件:"},
                {1050, u"Static", 70, 150, 218, 8, 0x50028080, u""},  // no prefix, path ellipsis
                {-1, u"Static", 21, 166, 46, 8, 0x50020000, u"保存格式:"},
                {1045, u"ComboBox", 70, 164, 60, 60, 0x50210003, u""},
                {1046, u"Button", 21, 182, 200, 10, 0x50010003, u"开机时自动启动"},
                {1047, u"Button", 21, 196, 200, 10, 0x50010003, u"剪切板出现新图片时自动保存"},
                {1048, u"Button", 21, 210, 200, 10, 0x50010003, u"保存后显示通知"},
                {1041, u"Button", 184, 240, 50, 14, 0x50030000, u"保存"},
                {1044, u"Button", 242, 240, 50, 14, 0x50010000, u"取消"}});
}

TEST_F(TarnwickResources, HelpDialogTemplate) {
  ASSERT_NE(nullptr, module);
  ExpectDialog(Dialog(136), 0x80C800C8, 309, 151, u"帮助", 8, 1,
               {{-1, u"Static", 27, 12, 84, 13, 0x50020000, u"使用说明: "},
                {-1, u"Static", 27, 26, 255, 24, 0x50020000,
                 u"当您执行位图复制操作时, 系统剪切板中会有位图数据, 此时按下快捷键, 即可自动保存剪切板中的图像在预设的文件夹"
                 u"中, 文件为BMP格式且以保存图像时的时间命名"},
                {-1, u"Static", 27, 54, 255, 33, 0x50020000,
                 u"常见操作: 保持此程序运行, 当按下PrtScr键后, 系统会自动截屏到剪切板, 或按下 Alt + PrtScr 键, "
                 u"系统会自动截取当前鼠标选定的窗口图像到剪切板, 然后按下预设的热键, 此程序会自动将剪切板中的图像保存到预设文件夹"},
                {-1, u"Static", 28, 89, 248, 29, 0x50020000,
                 u"受限于作者水平有限...由于剪切板中来自不同程序的剪切板图像的格式不同, "
                 u"来自部分程序的剪切板图像可能无法正确地被保存(如QQ截屏的图像)"},
                {1043, u"Button", 126, 124, 56, 20, 0x50010000, u"关闭"}});
}

TEST_F(TarnwickResources, AboutDialogTemplateAndPicture) {
  ASSERT_NE(nullptr, module);
  const auto t = Dialog(131);
  ASSERT_EQ(8u, t.items.size());
  // The free lines F1 to F4 are the program's own: only their places are fixed.
  std::vector<ExpectedItem> items = {{1042, u"Button", 257, 19, 63, 21, 0x50010000, u"关闭"},
                                     {139, u"Static", 20, 15, 32, 30, 0x5000000E, u"#139"},
                                     {-1, u"Static", 149, 15, 94, 12, 0x50020000, u"剪切板Tarnwick"},
                                     {-1, u"Static", 149, 28, 48, 12, 0x50020000, u"完成于 2022"},
                                     {-1, u"Static", 149, 42, 61, 8, 0x50020000, nullptr},
                                     {-1, u"Static", 149, 54, 176, 18, 0x50020000, nullptr},
                                     {-1, u"Static", 149, 76, 38, 11, 0x50020000, nullptr},
                                     {-1, u"Static", 217, 76, 103, 15, 0x50020000, nullptr}};
  std::vector<std::u16string> free;
  for (std::size_t i = 4; i < 8; ++i) {
    free.push_back(t.items[i].title);
    items[i].title = free.back().c_str();
    EXPECT_FALSE(free.back().empty()) << i;
  }
  ExpectDialog(t, 0x80C800C8, 345, 118, u"关于", 8, 1, items);

  const auto bitmap = Resource(RT_BITMAP, 139);
  ASSERT_EQ(43240u, bitmap.size());
  const std::uint32_t expected[] = {40, 120, 120, 0x00180001u, 0, 43200, 0, 0, 0, 0};
  for (int i = 0; i < 10; ++i) {
    std::uint32_t field;
    std::memcpy(&field, bitmap.data() + 4 * i, 4);
    EXPECT_EQ(expected[i], field) << "header field " << i;
  }
}

// One control-initialisation record: id, 0x037C, the text's length, the text.
std::basic_string<std::uint8_t> InitRecord(std::uint16_t id, const std::string& text) {
  std::basic_string<std::uint8_t> r;
  auto put16 = [&](std::uint16_t v) { r += static_cast<std::uint8_t>(v); r += static_cast<std::uint8_t>(v >> 8); };
  put16(id);
  put16(0x037C);
  put16(static_cast<std::uint16_t>(text.size()));
  put16(0);
  r.append(text.begin(), text.end());
  return r;
}

std::string ButtonProperties(bool fullTextTool) {
  return std::string("<MFCButton_Style>4</MFCButton_Style><MFCButton_Autosize>FALSE</MFCButton_Autosize>"
                     "<MFCButton_Tooltip></MFCButton_Tooltip><MFCButton_FullTextTool>") +
         (fullTextTool ? "TRUE" : "FALSE") +
         "</MFCButton_FullTextTool><MFCButton_CursorType>11</MFCButton_CursorType>"
         "<MFCButton_ImageType>8</MFCButton_ImageType><MFCButton_ImageOnTop>FALSE</MFCButton_ImageOnTop>"
         "<MFCButton_ImageOnRight>FALSE</MFCButton_ImageOnRight>";
}

TEST_F(TarnwickResources, ControlInitialisationAndLayoutRecordsHoldTheirExactBytes) {
  ASSERT_NE(nullptr, module);
  const std::basic_string<std::uint8_t> end{0, 0};
  ASSERT_EQ(370u, ButtonProperties(false).size());
  ASSERT_EQ(369u, ButtonProperties(true).size());
  EXPECT_EQ(InitRecord(1041, ButtonProperties(false)) + InitRecord(1044, ButtonProperties(false)) +
                InitRecord(1017, "<MFCEditBrowse_Mode>2</MFCEditBrowse_Mode>") + end,
            Resource(MAKEINTRESOURCEW(240), 132));
  EXPECT_EQ(InitRecord(1042, ButtonProperties(true)) + end, Resource(MAKEINTRESOURCEW(240), 131));
  EXPECT_EQ(InitRecord(1043, ButtonProperties(true)) + end, Resource(MAKEINTRESOURCEW(240), 136));
  for (WORD id : {131, 132, 136}) EXPECT_EQ(end, Resource(L"AFX_DIALOG_LAYOUT", id)) << id;
}

TEST_F(TarnwickResources, TrayMenuHasItsSixEntriesInOrder) {
  ASSERT_NE(nullptr, module);
  HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(133));
  ASSERT_NE(nullptr, menu);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(nullptr, popup);
  ASSERT_EQ(6, GetMenuItemCount(popup));
  const struct {
    const wchar_t* text;
    UINT id;
  } expected[] = {{L"打开保存目录", 32782}, {L"设置", 32775}, {L"帮助", 32781}, {L"关于...", 32776}, {nullptr, 0}, {L"退出", 32777}};
  for (int i = 0; i < 6; ++i) {
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
