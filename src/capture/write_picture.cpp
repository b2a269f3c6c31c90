#include "capture/write_picture.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

#include "capture/bmp_pieces.h"
#include "capture/picture_file.h"
#include "common/bounded_text.h"
#include "common/retry_backoff.h"
#include "common/folder_levels.h"
#include "common/name_format.h"
#include "common/safe_format.h"
#include "platform/owners.h"

namespace {

// A save writes the picture under a temporary name in the folder the file
// goes to, hidden and its own, and gives it its final name only once every
// byte is on the disk. So the final name never holds a partial picture, the
// move is a rename within one folder (never across volumes, whatever is
// mounted below the save folder), and a process that dies mid-save leaves
// only its temporary file, which the next start or save into that folder
// removes. The name is the process id and a number, both in hex:
// .tarnwick-0000109a00.tmp. The number is the first that CREATE_NEW finds
// free, so a file another program still holds only moves a save on.
constexpr char16_t kTempPrefix[] = u".tarnwick-";
constexpr char16_t kTempSuffix[] = u".tmp";
constexpr std::size_t kProcessIdDigits = 8;
constexpr std::size_t kNumberDigits = 2;
constexpr int kTemporaryNames = 1 << (4 * kNumberDigits);
static_assert(std::size(kTempPrefix) - 1 + kProcessIdDigits + kNumberDigits + std::size(kTempSuffix) - 1 ==
                  kTemporaryNameChars,
              "the name templates leave room for the temporary file");
// A temporary file that another program holds open without letting it be
// renamed (a virus scanner, an indexer, a cloud client) is waited out:
// pauses from this, doubling up to a longest one, at most this long in all.
constexpr std::uint32_t kFirstMoveWaitMs = 100;
constexpr std::uint32_t kLongestMoveWaitMs = 2000;
constexpr std::uint32_t kMoveWaitMs = 10000;
// Pictures saved within one second: the first keeps the plain name, the next
// ones get " (2)", " (3)" ... up to this many; then the save gives up.
constexpr int kMaxPicturesPerSecond = 100;

// A folder a save writes into, ending with a backslash: the save folder, or
// a sub-folder of it that the name template gives.
struct SaveFolder {
  char16_t path[kFilePathChars] = {};
};

// A 219-character folder has no room for the backslash: refused, not overrun.
bool EndedFolder(const char16_t* folder, SaveFolder* out) {
  if (SafeFormat(out->path, kPathChars, u"%s", folder) <= 0) return false;
  const std::size_t length = BoundedLength(out->path, kPathChars);
  return out->path[length - 1] == u'\\' || AppendText(out->path, kPathChars, u"\\");
}

// Step: the save folder and, `below` it, the sub-folders that the name
// template gives, every missing level made.
SaveFault PrepareFolder(platform::FileSystem& files, const char16_t* folder, std::u16string_view below,
                        SaveFolder* out) {
  if (!EndedFolder(folder, out)) return SaveFault{SAVE_ERR_SAVE_DIR, folder};
  if (!AppendText(out->path, kFilePathChars, below)) return SaveFault{SAVE_ERR_FILE_NAME, out->path};
  const FolderFault made = CreateMissingFolderLevels(files, out->path, nullptr);
  if (!made.ok) return SaveFault{SAVE_ERR_CREATE_DIR, made.where, made.error};
  return SaveFault{};
}

// The file's name without its sub-folders.
const char16_t* LastLevel(const std::u16string& name) { return name.c_str() + name.find_last_of(u'\\') + 1; }

// The file's bytes and what they point into.
struct EncodedPicture {
  BmpPieces pieces;
  std::vector<std::uint8_t> encoded;
  PictureBytes bytes;
};

// Step: the BMP file assembled around the copy's pixels, or that picture
// encoded as a PNG or a JPEG; a "PNG" as it is, or encoded as a JPEG. A
// block that does not hold what its header claims, or a picture the encoder
// refuses, is told as data that cannot be read.
SaveResult Encode(platform::ImageCodecs& codecs, std::uint32_t format, PictureKind kind, const std::uint8_t* bytes,
                  std::size_t size, EncodedPicture* out) {
  const bool encoded = format == kFormatPng || format == kFormatJpg;
  if (kind == PictureKind::kPng) {
    // Only PNG and JPG take the clipboard's "PNG"; its transparency goes on white in a JPEG.
    const platform::ByteRun png{bytes, static_cast<std::uint32_t>(size)};
    if (format == kFormatPng) {
      out->bytes = FileBytes(kFormatPng, bytes, size);
      return SAVE_OK;
    }
    if (format != kFormatJpg || !codecs.EncodeJpeg(&png, 1, true, &out->encoded)) return SAVE_ERR_BITMAP_DATA;
  } else {
    out->pieces = BuildBmpPieces(bytes, size);
    if (!out->pieces.valid) return SAVE_ERR_BITMAP_DATA;
    if (!encoded) {
      out->bytes = BmpFileBytes(out->pieces, bytes);
      return SAVE_OK;
    }
    if (!EncodeDibPicture(codecs, format, out->pieces, bytes, &out->encoded)) return SAVE_ERR_BITMAP_DATA;
  }
  out->bytes = FileBytes(format, out->encoded.data(), out->encoded.size());
  return SAVE_OK;
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

bool IsTemporaryName(const std::u16string& name) {
  const std::u16string_view prefix(kTempPrefix), suffix(kTempSuffix);
  return name.size() > prefix.size() + suffix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The digits of `value`, lower-case hex, `count` of them.
void HexDigits(std::uint32_t value, std::size_t count, char16_t* out) {
  for (std::size_t i = count; i-- > 0; value >>= 4) out[i] = u"0123456789abcdef"[value & 0xF];
}

// The process that made a temporary file of this version's name; false for
// any other name (an earlier version's, with the id in decimal).
bool MakerOf(const std::u16string& name, std::uint32_t* processId) {
  const std::size_t digits = kProcessIdDigits + kNumberDigits;
  if (name.size() != kTemporaryNameChars) return false;
  std::uint32_t id = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const char16_t c = name[std::size(kTempPrefix) - 1 + i];
    int digit = -1;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    if (digit < 0) return false;
    if (i < kProcessIdDigits) id = id << 4 | static_cast<std::uint32_t>(digit);
  }
  *processId = id;
  return true;
}

// Removes the temporary files in `folder` that no save owns: this process's
// own that are not open (a save going on keeps its file open), and those of
// processes that have ended. Another running copy's are left alone, even
// one it gave up and could not remove: it sweeps them itself.
void RemoveLeftoversIn(platform::Platform& os, const char16_t* folder) {
  char16_t path[kFilePathChars];
  if (SafeFormat(path, kFilePathChars, u"%s%s*%s", folder, kTempPrefix, kTempSuffix) <= 0) return;
  const std::uint32_t self = os.threads.ProcessId();
  for (const std::u16string& name : os.files.FindFiles(path)) {
    if (!IsTemporaryName(name)) continue;
    std::uint32_t maker = 0;
    if (MakerOf(name, &maker) && maker != self && os.threads.ProcessRunning(maker)) continue;
    if (SafeFormat(path, kFilePathChars, u"%s%s", folder, name.c_str()) > 0) os.files.RemoveIfUnused(path);
  }
}

// The leftovers in `folder` and in its sub-folders down to `levels` below.
void RemoveLeftoversBelow(platform::Platform& os, const std::u16string& folder, int levels) {
  RemoveLeftoversIn(os, folder.c_str());
  if (levels <= 0) return;
  for (const std::u16string& name : os.files.FindFolders((folder + u'*').c_str())) {
    const std::u16string below = folder + name + u'\\';
    if (below.size() < kFilePathChars) RemoveLeftoversBelow(os, below, levels - 1);
  }
}

// The file a save writes, under its temporary name. However the save ends,
// it is closed, and unless it was given its final name it is made hidden
// again (another program may hold it, and then it cannot be removed until a
// later sweep) and removed. Its handle stays open through the move, so it can
// never be swept from under it. Its failures name the file it is to become,
// `file`, the first name of the press's second.
class TemporaryFile {
 public:
  TemporaryFile(platform::Platform& os, const SaveFolder& folder, std::u16string file)
      : os_(os), folder_(folder), file_(std::move(file)) {}
  ~TemporaryFile() {
    if (handle_ == platform::InvalidHandle()) return;
    std::uint32_t error = 0;
    if (!kept_) os_.files.MakeHidden(handle_, &error);
    os_.files.CloseFile(handle_);
    if (!kept_) os_.files.Remove(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Step: the leftovers swept, then the file made under the first free name.
  SaveFault Create() {
    RemoveLeftoversIn(os_, folder_.path);
    char16_t digits[kProcessIdDigits + kNumberDigits + 1] = {};
    HexDigits(os_.threads.ProcessId(), kProcessIdDigits, digits);
    std::uint32_t error = 0;
    for (int number = 0; number < kTemporaryNames; ++number) {
      HexDigits(static_cast<std::uint32_t>(number), kNumberDigits, digits + kProcessIdDigits);
      if (SafeFormat(path_, kFilePathChars, u"%s%s%s%s", folder_.path, kTempPrefix, digits, kTempSuffix) <= 0) {
        return SaveFault{SAVE_ERR_FILE_NAME, folder_.path};
      }
      handle_ = os_.files.CreateTemporary(path_, &error);
      if (handle_ != platform::InvalidHandle()) return SaveFault{};
      if (error != platform::kErrorFileExists) break;
    }
    return SaveFault{SAVE_ERR_CREATE_FILE, file_, error};
  }

  // Step: every run written, whatever became of the one before; the first
  // failure is the one told.
  SaveFault Write(const PictureBytes& bytes) {
    SaveFault fault;
    for (std::size_t i = 0; i < bytes.count; ++i) {
      std::uint32_t error = 0;
      if (!os_.files.Write(handle_, bytes.runs[i].data, bytes.runs[i].length, &error) && fault.result == SAVE_OK) {
        fault = SaveFault{SAVE_ERR_WRITE_FILE, file_, error};
      }
    }
    return fault;
  }

  // Step: the data is on the disk before the file has its name, so that a
  // power cut cannot leave the name on an empty or zero-filled file.
  SaveFault Flush() {
    std::uint32_t error = 0;
    if (!os_.files.Flush(handle_, &error) || !os_.files.MakePlain(handle_, &error)) {
      return SaveFault{SAVE_ERR_WRITE_FILE, file_, error};
    }
    return SaveFault{};
  }

  // Step: the first free name of the press's second. The move never replaces
  // a file, so a name taken meanwhile, by another copy of the program too,
  // only sends the picture on to the next name. When a taken name already
  // holds this very picture nothing more is made. While another program
  // holds the file the move is tried again after a pause, the file hidden
  // meanwhile, so that a process ended during the wait leaves nothing to see.
  // Out of names, the folder is told, with the last name's refusal.
  SaveFault MoveIntoPlace(const SaveOrder& order, const PictureBytes& bytes, std::u16string* file) {
    char16_t path[kFilePathChars];
    std::uint32_t error = 0;
    RetryBackoff backoff(kFirstMoveWaitMs, kLongestMoveWaitMs);
    std::uint32_t waited = 0;
    for (int picture = 1; picture <= kMaxPicturesPerSecond;) {
      const std::u16string name = MakeSaveFileName(order.time, order.nameFormat, picture, bytes.format);
      if (name.empty() ||
          SafeFormat(path, kFilePathChars, u"%s%s", folder_.path, LastLevel(name)) <= 0) {
        break;
      }
      if (os_.files.MoveNew(path_, path, &error)) {
        kept_ = true;
        *file = path;
        return SaveFault{};
      }
      if (error == platform::kErrorSharingViolation && waited < kMoveWaitMs) {
        const std::uint32_t pause = std::min(backoff.After(false), kMoveWaitMs - waited);
        std::uint32_t ignored = 0;
        os_.files.MakeHidden(handle_, &ignored);
        os_.threads.Pause(pause);
        waited += pause;
        if (!os_.files.MakePlain(handle_, &error)) return SaveFault{SAVE_ERR_WRITE_FILE, path, error};
        continue;
      }
      if (error != platform::kErrorAlreadyExists && error != platform::kErrorFileExists) {
        return SaveFault{SAVE_ERR_WRITE_FILE, path, error};
      }
      if (FileHoldsPicture(os_.files, path, bytes)) {
        *file = path;
        return SaveFault{};
      }
      ++picture;
    }
    return SaveFault{SAVE_ERR_FILE_NAME, folder_.path, error};
  }

 private:
  platform::Platform& os_;
  const SaveFolder& folder_;
  const std::u16string file_;
  char16_t path_[kFilePathChars] = {};
  platform::Handle handle_ = platform::InvalidHandle();
  bool kept_ = false;
};

}  // namespace

SaveFault WritePicture(platform::Platform& os, const SaveOrder& order, PictureKind kind, const std::uint8_t* bytes,
                       std::size_t size, std::u16string* file) {
  // Every copy's name of the second lies in the first's folder.
  const std::u16string name = MakeSaveFileName(order.time, order.nameFormat, 1, order.format);
  if (name.empty()) return SaveFault{SAVE_ERR_FILE_NAME, order.folder};
  const std::u16string_view subFolders(name.c_str(), static_cast<std::size_t>(LastLevel(name) - name.c_str()));
  SaveFolder folder;
  SaveFault fault = PrepareFolder(os.files, order.folder, subFolders, &folder);
  if (fault.result != SAVE_OK) return fault;
  EncodedPicture picture;
  const SaveResult encoded = Encode(os.codecs, order.format, kind, bytes, size, &picture);
  if (encoded != SAVE_OK) return SaveFault{encoded, {}, 0};
  TemporaryFile temporary(os, folder, folder.path + std::u16string(LastLevel(name)));
  if ((fault = temporary.Create()).result != SAVE_OK || (fault = temporary.Write(picture.bytes)).result != SAVE_OK ||
      (fault = temporary.Flush()).result != SAVE_OK) {
    return fault;
  }
  return temporary.MoveIntoPlace(order, picture.bytes, file);
}

SaveFault MakeSaveFolder(platform::FileSystem& files, const char16_t* folder, std::u16string* made) {
  SaveFolder ended;
  const SaveFault fault = PrepareFolder(files, folder, u"", &ended);
  if (fault.result == SAVE_OK) *made = ended.path;
  return fault;
}

void RemoveLeftovers(platform::Platform& os, const char16_t* folder, int levels) {
  SaveFolder ended;
  if (EndedFolder(folder, &ended)) RemoveLeftoversBelow(os, ended.path, levels);
}
