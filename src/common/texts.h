// Every text the program shows, written once. The dialog templates and the
// tray menu keep theirs in the resource script.
//
// Punctuation is ASCII: a comma and a space, and ASCII double quotes; only a
// name of Windows' own keeps the Chinese quotes it is shown with.
#pragma once

// The caption of nearly every message box.
inline constexpr char16_t g_szCaption[] = u"剪切板Tarnwick";
// The tray icon's hover text.
inline constexpr char16_t kTrayTipText[] = u"Tarnwick";

// A save's failures, one for each result (see SaveResultText).
inline constexpr char16_t kCreateDirFailedText[] = u"创建目录失败";
inline constexpr char16_t kSaveDirFailedText[] = u"获取保存目录失败";
inline constexpr char16_t kOpenClipboardFailedText[] = u"打开剪切板失败";
inline constexpr char16_t kFileNameFailedText[] = u"获取文件名失败";
inline constexpr char16_t kCreateFileFailedText[] = u"创建文件失败";
inline constexpr char16_t kBitmapDataFailedText[] = u"获取剪切板位图数据失败";
inline constexpr char16_t kWriteFileFailedText[] = u"写入文件失败";
inline constexpr char16_t kUndefinedErrorText[] =
    u"程序出现未定义的错误, 您可以通过此程序的\"关于\"窗口获得作者的联系方式, 反馈问题";
// The lines under a failure's text: where it went wrong, and why (Windows'
// own text for the error, or the program holding the clipboard). Access
// denied in a folder that exists is most often Controlled Folder Access.
inline constexpr char16_t kWhereLinePrefix[] = u"位置: ";
inline constexpr char16_t kReasonLinePrefix[] = u"原因: ";
inline constexpr char16_t kClipboardHeldReasonFormat[] = u"原因: 剪切板正被 %s 占用";
inline constexpr char16_t kControlledFolderHintText[] =
    u"该目录可能受到 Windows 安全中心的“受控文件夹访问”保护, 请允许 Tarnwick.exe 访问后重试";
// When a press gets no worker.
inline constexpr char16_t kThreadFailedText[] = u"创建线程失败";
// A press while the saves waiting to be written are at their bound.
inline constexpr char16_t kTooManySavesText[] = u"正在保存的截图过多, 本次按键未保存, 请稍后再试";
// The balloon after a save: the file's name, then its folder; saves that end
// while it shows share it, and it names the last and how many there were.
inline constexpr char16_t kSavedBalloonTitle[] = u"截图已保存";
inline constexpr char16_t kSavedManyFormat[] = u"%s (共 %d 张)";
// Held while saves are still to be written, for logoff and shutdown to name.
inline constexpr char16_t kSavingReasonText[] = u"正在保存截图";

// Settings and the hot key.
inline constexpr char16_t kStartupFailedText[] =
    u"程序初始化失败, 该程序可能有BUG或不适合此系统的运行环境, 您可以通过本程序的\"关于\"窗口获取作者的联系方式, 反馈问题";
inline constexpr char16_t kStartupFailedCaption[] = u"错误";
// The caption of the box that shows the byte count after a failed write-back.
inline constexpr char16_t kWriteBackCaption[] = u"GH";
inline constexpr char16_t kSettingsSavedText[] = u"保存成功";
inline constexpr char16_t kSettingsSaveFailedText[] = u"保存配置信息失败";
inline constexpr char16_t kConfigUnreadableText[] = u"获取配置信息失败";
inline constexpr char16_t kBadFolderText[] = u"路径不合法或没有权限访问该路径";
// At start-up the key may be taken; at Save and Cancel it is.
inline constexpr char16_t kStartupKeyRefusedText[] = u"注册热键失败, 热键可能已被其他程序占用, 请设置其他热键";
inline constexpr char16_t kKeyRefusedText[] = u"注册热键失败, 热键已被其他程序占用, 请设置其他热键";
inline constexpr char16_t kNeedsCombinationText[] = u"必须使用一个组合键作为热键";
// The name template's refusals (see NameFormatFault).
inline constexpr char16_t kNameFormatNoSecondsText[] = u"文件名格式不能为空, 且必须包含 {ss}";
inline constexpr char16_t kNameFormatBadCharacterText[] = u"文件名格式包含不允许的字符或未知的标记";
inline constexpr char16_t kNameFormatBadLevelText[] = u"文件名格式的目录层级不合法";
inline constexpr char16_t kNameFormatTooLongText[] = u"文件名格式过长";
// The settings dialog's format list, in the order of g_dwFormat's values.
inline constexpr const char16_t* kFormatNames[] = {u"BMP", u"PNG", u"JPG"};
