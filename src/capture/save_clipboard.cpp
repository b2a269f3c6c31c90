#include "capture/save_clipboard.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/app_state.h"
#include "common/folder_levels.h"
#include "common/safe_format.h"
#include "common/bounded_text.h"
#include "capture/bmp_pieces.h"
#include "capture/png_picture.h"
#include "capture/save_file_name.h"
#include "platform/owners.h"

namespace {

// A save writes the picture under a temporary name in the save folder, hidden
// and unique to this process, and gives it its final name only once every
// byte is on the disk. So the final name never holds a partial picture, and a
// process that dies mid-save leaves only its temporary file, which the next
// save into that folder removes.
constexpr char16_t kTempPrefix[] = u".tarnwick-";
constexpr char16_t kTempSuffix[] = u".tmp";
// Pictures saved within one second: the first keeps the plain name, the next
// ones get " (2)", " (3)" ... up to this many; then the save gives up.
constexpr int kMaxPicturesPerSecond = 100;

char16_t s_tempPath[kFilePathChars] = {};
// g_hOutputFile keeps its stale value after a save; this says whether it is open.
bool s_outputFileOpen = false;

// Closes the save's temporary file, when one is open, and removes it.
void DiscardOpenOutputFile(platform::FileSystem& files) {
  if (!s_outputFileOpen) return;
  files.CloseFile(g_hOutputFile);
  s_outputFileOpen = false;
  files.Remove(s_tempPath);
}

// The file a save writes, under its temporary name: g_hOutputFile while it is
// open. However the save ends, the file is closed, and removed unless it was
// given its final name.
class OutputFile {
 public:
  explicit OutputFile(platform::FileSystem& files) : files_(files) {}
  ~OutputFile() { DiscardOpenOutputFile(files_); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool Create() {
    g_hOutputFile = files_.CreateTemporary(s_tempPath);
    s_outputFileOpen = g_hOutputFile != platform::InvalidHandle();
    return s_outputFileOpen;
  }
  // It has its final name: closed and kept.
  void Keep() {
    files_.CloseFile(g_hOutputFile);
    s_outputFileOpen = false;
  }

 private:
  platform::FileSystem& files_;
};

bool IsTemporaryName(const std::u16string& name) {
  const std::u16string_view prefix(kTempPrefix), suffix(kTempSuffix);
  return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Removes what dead processes left in the save folder. A temporary file that
// is still open belongs to a save going on now, in another copy of the
// program, and stays.
void RemoveLeftovers(platform::FileSystem& files) {
  char16_t path[kFilePathChars];
  if (SafeFormat(path, kFilePathChars, u"%s%s*%s", g_szSaveDir, kTempPrefix, kTempSuffix) <= 0) return;
  for (const std::u16string& name : files.FindFiles(path)) {
    if (!IsTemporaryName(name)) continue;
    if (SafeFormat(path, kFilePathChars, u"%s%s", g_szSaveDir, name.c_str()) > 0) files.RemoveIfUnused(path);
  }
}

// The file's next bytes are exactly these.
bool ReadMatches(platform::FileSystem& files, platform::Handle file, const std::uint8_t* expected,
                 std::uint32_t length) {
  std::uint8_t chunk[16384];
  while (length > 0) {
    std::uint32_t got = 0;
    const std::uint32_t wanted = std::min<std::uint32_t>(length, sizeof chunk);
    if (!files.Read(file, chunk, wanted, &got) || got == 0 || got > wanted) return false;
    if (std::memcmp(chunk, expected, got) != 0) return false;
    expected += got;
    length -= got;
  }
  return true;
}

// The file at `path` holds exactly the picture this save writes.
bool FileHoldsPicture(platform::FileSystem& files, const char16_t* path, const PictureBytes& bytes) {
  const platform::OpenFile file(files, files.OpenForReading(path));
  if (!file.valid()) return false;
  for (std::size_t i = 0; i < bytes.count; ++i) {
    if (!ReadMatches(files, file.get(), bytes.runs[i].data, bytes.runs[i].length)) return false;
  }
  std::uint8_t beyond = 0;
  std::uint32_t got = 1;
  return files.Read(file.get(), &beyond, 1, &got) && got == 0;
}

bool ComposeFilePath(const platform::LocalTime& time, int picture, std::uint32_t format) {
  return MakeSaveFileName(time, g_szFileName, kFileNameChars, picture, format) > 0 &&
         CopyText(g_szFilePath, kFilePathChars, g_szSaveDir) &&
         AppendText(g_szFilePath, kFilePathChars, g_szFileName);
}

// Gives the finished file the first free name of its second. The move never
// replaces a file, so a name taken meanwhile, by another copy of the program
// too, only sends the picture on to the next name. When a taken name already
// holds this very picture (a held key repeats it) nothing more is made.
SaveResult PlaceFile(platform::FileSystem& files, OutputFile& output, const platform::LocalTime& time,
                     const PictureBytes& bytes) {
  for (int picture = 1; picture <= kMaxPicturesPerSecond; ++picture) {
    if (!ComposeFilePath(time, picture, bytes.format)) break;
    std::uint32_t error = 0;
    if (files.MoveNew(s_tempPath, g_szFilePath, &error)) {
      output.Keep();
      return SAVE_OK;
    }
    if (error != platform::kErrorAlreadyExists && error != platform::kErrorFileExists) return SAVE_ERR_WRITE_FILE;
    if (FileHoldsPicture(files, g_szFilePath, bytes)) return SAVE_OK;
  }
  return SAVE_ERR_FILE_NAME;
}

SaveResult WriteBitmapFile(platform::FileSystem& files, OutputFile& output, const platform::LocalTime& time,
                           const PictureBytes& bytes) {
  // Every write is made whatever became of the one before.
  bool written = true;
  for (std::size_t i = 0; i < bytes.count; ++i) {
    written = files.Write(g_hOutputFile, bytes.runs[i].data, bytes.runs[i].length) && written;
  }
  // The data is on the disk before the file has its name, so that a power
  // cut cannot leave the name on an empty or zero-filled file.
  if (!written || !files.Flush(g_hOutputFile) || !files.MakePlain(g_hOutputFile)) return SAVE_ERR_WRITE_FILE;
  return PlaceFile(files, output, time, bytes);
}

// Writes the CF_DIB block `dib` (null when it could not be read) into
// `folder` as a file of `format` named after `time`, from the folder's levels
// to the file's final name.
SaveResult SaveBlock(platform::Platform& os, const char16_t* folder, std::uint32_t format,
                     const platform::LocalTime& time, const std::uint8_t* dib, std::size_t size) {
  if (SafeFormat(g_szSaveDir, kPathChars, u"%s", folder) <= 0) return SAVE_ERR_SAVE_DIR;
  const std::size_t length = BoundedLength(g_szSaveDir, kPathChars);
  // A 219-character folder has no room for the backslash: refused, not overrun.
  if (g_szSaveDir[length - 1] != u'\\' && !AppendText(g_szSaveDir, kPathChars, u"\\")) {
    return SAVE_ERR_SAVE_DIR;
  }

  // Any level that cannot be made ends the save.
  if (!CreateMissingFolderLevels(g_szSaveDir, nullptr)) return SAVE_ERR_CREATE_DIR;

  if (format != kFormatPng) format = kFormatBmp;
  if (!ComposeFilePath(time, 1, format) ||
      SafeFormat(s_tempPath, kFilePathChars, u"%s%s%d%s", g_szSaveDir, kTempPrefix,
                 static_cast<int>(os.threads.ProcessId()), kTempSuffix) <= 0) {
    return SAVE_ERR_FILE_NAME;
  }
  RemoveLeftovers(os.files);

  // However the save ends, the file is closed, and removed unless it got its
  // name.
  g_pClipboardDib = dib;
  OutputFile output(os.files);
  if (!output.Create()) return SAVE_ERR_CREATE_FILE;
  if (g_pClipboardDib == nullptr) return SAVE_ERR_BITMAP_DATA;

  g_dwDibSize = static_cast<std::uint32_t>(size);
  const BmpPieces pieces = BuildBmpPieces(g_pClipboardDib, g_dwDibSize);
  // The block does not hold what its header claims (nothing is read past its
  // end), or holds a bitmap that cannot be written as what it is.
  if (!pieces.valid) return SAVE_ERR_BITMAP_DATA;
  if (format == kFormatBmp) return WriteBitmapFile(os.files, output, time, BmpFileBytes(pieces, g_pClipboardDib));

  // A picture the encoder refuses is told like one that cannot be read.
  std::vector<std::uint8_t> png;
  if (!EncodePngPicture(os.codecs, pieces, g_pClipboardDib, &png)) return SAVE_ERR_BITMAP_DATA;
  PictureBytes bytes;
  bytes.format = kFormatPng;
  bytes.runs[0] = {png.data(), static_cast<std::uint32_t>(png.size())};
  bytes.count = 1;
  return WriteBitmapFile(os.files, output, time, bytes);
}

}  // namespace

SaveResult SaveTakenPicture(const char16_t* folder, std::uint32_t format, const platform::LocalTime& time,
                            const TakenPicture& picture) {
  return SaveBlock(platform::Current(), folder, format, time, picture.copy.bytes(), picture.copy.size());
}

SaveResult SaveStraightFromClipboard(const char16_t* folder, std::uint32_t format, const platform::LocalTime& time) {
  platform::Platform& os = platform::Current();
  platform::OpenedClipboard clipboard(os.clipboard);
  if (!OpenClipboardSoon(clipboard, os.threads)) return SAVE_ERR_OPEN_CLIPBOARD;
  if (!os.clipboard.HasDib()) return SAVE_NO_BITMAP;
  // Released in reverse order: the file first, then the block, then the
  // clipboard.
  const platform::LockedBlock block(os.memory, os.clipboard.GetDib());
  return SaveBlock(os, folder, format, time, block.bytes(), block.size());
}

SaveResult SaveClipboardBitmap() {
  const TakenPicture picture = TakePicture();
  if (picture.result != SAVE_OK) return picture.result;
  const platform::LocalTime time = platform::Current().clock.Now();
  if (picture.noMemory) return SaveStraightFromClipboard(g_szPath, g_dwFormat, time);
  return SaveTakenPicture(g_szPath, g_dwFormat, time, picture);
}

void InitSaveState() {
  g_hOutputFile = nullptr;
  g_pClipboardDib = nullptr;
  g_dwDibSize = 0;
  std::fill_n(g_szSaveDir, kPathChars, u'\0');
  std::fill_n(g_szFileName, kFileNameChars, u'\0');
  std::fill_n(g_szFilePath, kFilePathChars, u'\0');
  std::atexit(CloseSaveHandles);
}

void CloseSaveHandles() {
  platform::Platform& os = platform::Current();
  DiscardOpenOutputFile(os.files);
  // The exit safety net: a save cut short left the clipboard open.
  os.clipboard.Close();
}
