#include "capture/save_clipboard.h"

#include "app/app_state.h"
#include "app/folder_levels.h"
#include "app/safe_format.h"
#include "app/wide_text.h"
#include "capture/bmp_pieces.h"
#include "capture/save_file_name.h"

namespace {

// A save writes under this name beside the final one and moves the file into
// place only once every write has succeeded, so a failed save never leaves a
// partial file nor destroys a good one of the same name.
constexpr char16_t kTempSuffix[] = u".tmp";
char16_t s_tempPath[kFilePathChars] = {};
// g_hOutputFile keeps its stale value after a save; this says whether it is open.
bool s_outputFileOpen = false;

void CloseOutputFile(platform::FileSystem& files) {
  files.CloseFile(g_hOutputFile);
  s_outputFileOpen = false;
}

void DiscardOutputFile(platform::FileSystem& files) {
  CloseOutputFile(files);
  files.Remove(s_tempPath);
}

SaveResult WriteBitmapFile(platform::Platform& os, const BmpPieces& pieces) {
  platform::FileSystem& files = os.files;
  // Every write is made whatever became of the one before.
  const bool fileHeaderWritten = files.Write(g_hOutputFile, pieces.fileHeader, kFileHeaderBytes);
  const bool bitmapInfoWritten = files.Write(g_hOutputFile, pieces.bitmapInfo, pieces.bitmapInfoLength);
  const bool pixelsWritten =
      files.Write(g_hOutputFile, g_pClipboardDib + pieces.pixelOffset, pieces.pixelLength);
  CloseOutputFile(files);

  if (fileHeaderWritten && bitmapInfoWritten && pixelsWritten &&
      files.MoveReplacing(s_tempPath, g_szFilePath)) {
    return SAVE_OK;
  }
  files.Remove(s_tempPath);
  return SAVE_ERR_WRITE_FILE;
}

// Everything after a successful OpenClipboard; the caller closes it.
SaveResult SaveFromOpenClipboard(platform::Platform& os) {
  if (!os.clipboard.HasDib()) return SAVE_NO_BITMAP;

  if (SafeFormat(g_szSaveDir, kPathChars, u"%s", g_szPath) <= 0) return SAVE_ERR_SAVE_DIR;
  const std::size_t length = WideLength(g_szSaveDir, kPathChars);
  // A 219-character folder has no room for the backslash: refused, not overrun.
  if (g_szSaveDir[length - 1] != u'\\' && !WideAppend(g_szSaveDir, kPathChars, u"\\")) {
    return SAVE_ERR_SAVE_DIR;
  }

  // Any level that cannot be made ends the save.
  if (!CreateMissingFolderLevels(g_szSaveDir, nullptr)) return SAVE_ERR_CREATE_DIR;

  if (MakeSaveFileName(os.clock.Now(), g_szFileName, kFileNameChars) <= 0) return SAVE_ERR_FILE_NAME;
  if (!WideCopy(g_szFilePath, kFilePathChars, g_szSaveDir) ||
      !WideAppend(g_szFilePath, kFilePathChars, g_szFileName) ||
      !WideCopy(s_tempPath, kFilePathChars, g_szFilePath) ||
      !WideAppend(s_tempPath, kFilePathChars, kTempSuffix)) {
    return SAVE_ERR_FILE_NAME;
  }

  const platform::Handle block = os.clipboard.GetDib();
  g_pClipboardDib = os.memory.Lock(block);

  g_hOutputFile = os.files.CreateForWriting(s_tempPath);
  if (g_hOutputFile == platform::InvalidHandle()) {
    if (g_pClipboardDib != nullptr) os.memory.Unlock(block);
    return SAVE_ERR_CREATE_FILE;
  }
  s_outputFileOpen = true;

  if (g_pClipboardDib == nullptr) {
    DiscardOutputFile(os.files);
    return SAVE_ERR_BITMAP_DATA;
  }

  g_dwDibSize = static_cast<std::uint32_t>(os.memory.Size(block));
  const BmpPieces pieces = BuildBmpPieces(g_pClipboardDib, g_dwDibSize);
  if (!pieces.valid) {
    // The block does not hold what its header claims (nothing is read past its
    // end), or holds a bitmap that cannot be written as what it is.
    DiscardOutputFile(os.files);
    os.memory.Unlock(block);
    return SAVE_ERR_BITMAP_DATA;
  }

  const SaveResult written = WriteBitmapFile(os, pieces);
  os.memory.Unlock(block);
  return written;
}

}  // namespace

SaveResult SaveClipboardBitmap() {
  platform::Platform& os = platform::Current();
  if (!os.clipboard.Open()) return SAVE_ERR_OPEN_CLIPBOARD;
  const SaveResult result = SaveFromOpenClipboard(os);
  os.clipboard.Close();
  return result;
}

void CloseSaveHandles() {
  platform::Platform& os = platform::Current();
  if (s_outputFileOpen) DiscardOutputFile(os.files);
  os.clipboard.Close();
}
