#include "capture/write_picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "capture/bmp_pieces.h"
#include "capture/picture_file.h"
#include "capture/save_file_name.h"
#include "common/bounded_text.h"
#include "common/folder_levels.h"
#include "common/safe_format.h"
#include "platform/owners.h"

namespace {

// A save writes the picture under a temporary name in the save folder, hidden
// and unique to this process, and gives it its final name only once every
// byte is on the disk. So the final name never holds a partial picture, and a
// process that dies mid-save leaves only its temporary file, which the next
// start or save into that folder removes.
constexpr char16_t kTempPrefix[] = u".tarnwick-";
constexpr char16_t kTempSuffix[] = u".tmp";
// Pictures saved within one second: the first keeps the plain name, the next
// ones get " (2)", " (3)" ... up to this many; then the save gives up.
constexpr int kMaxPicturesPerSecond = 100;

// The save folder, ending with a backslash.
struct SaveFolder {
  char16_t path[kPathChars] = {};
};

// A 219-character folder has no room for the backslash: refused, not overrun.
bool EndedFolder(const char16_t* folder, SaveFolder* out) {
  if (SafeFormat(out->path, kPathChars, u"%s", folder) <= 0) return false;
  const std::size_t length = BoundedLength(out->path, kPathChars);
  return out->path[length - 1] == u'\\' || AppendText(out->path, kPathChars, u"\\");
}

// Step: the folder, every missing level made.
SaveResult PrepareFolder(const char16_t* folder, SaveFolder* out) {
  if (!EndedFolder(folder, out)) return SAVE_ERR_SAVE_DIR;
  return CreateMissingFolderLevels(out->path, nullptr) ? SAVE_OK : SAVE_ERR_CREATE_DIR;
}

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

void RemoveLeftoversIn(platform::FileSystem& files, const SaveFolder& folder) {
  char16_t path[kFilePathChars];
  if (SafeFormat(path, kFilePathChars, u"%s%s*%s", folder.path, kTempPrefix, kTempSuffix) <= 0) return;
  for (const std::u16string& name : files.FindFiles(path)) {
    if (!IsTemporaryName(name)) continue;
    if (SafeFormat(path, kFilePathChars, u"%s%s", folder.path, name.c_str()) > 0) files.RemoveIfUnused(path);
  }
}

// The file a save writes, under its temporary name. However the save ends,
// it is closed, and removed unless it was given its final name. Its handle
// stays open through the move, so it can never be swept from under it.
class TemporaryFile {
 public:
  TemporaryFile(platform::Platform& os, const SaveFolder& folder) : os_(os), folder_(folder) {}
  ~TemporaryFile() {
    if (handle_ == platform::InvalidHandle()) return;
    os_.files.CloseFile(handle_);
    if (!kept_) os_.files.Remove(path_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Step: the leftovers of dead processes swept, then the file made.
  SaveResult Create() {
    if (SafeFormat(path_, kFilePathChars, u"%s%s%d%s", folder_.path, kTempPrefix,
                   static_cast<int>(os_.threads.ProcessId()), kTempSuffix) <= 0) {
      return SAVE_ERR_FILE_NAME;
    }
    RemoveLeftoversIn(os_.files, folder_);
    handle_ = os_.files.CreateTemporary(path_);
    return handle_ != platform::InvalidHandle() ? SAVE_OK : SAVE_ERR_CREATE_FILE;
  }

  // Step: every run written, whatever became of the one before.
  SaveResult Write(const PictureBytes& bytes) {
    bool written = true;
    for (std::size_t i = 0; i < bytes.count; ++i) {
      written = os_.files.Write(handle_, bytes.runs[i].data, bytes.runs[i].length) && written;
    }
    return written ? SAVE_OK : SAVE_ERR_WRITE_FILE;
  }

  // Step: the data is on the disk before the file has its name, so that a
  // power cut cannot leave the name on an empty or zero-filled file.
  SaveResult Flush() {
    return os_.files.Flush(handle_) && os_.files.MakePlain(handle_) ? SAVE_OK : SAVE_ERR_WRITE_FILE;
  }

  // Step: the first free name of the press's second. The move never replaces
  // a file, so a name taken meanwhile, by another copy of the program too,
  // only sends the picture on to the next name. When a taken name already
  // holds this very picture nothing more is made.
  SaveResult MoveIntoPlace(const platform::LocalTime& time, const PictureBytes& bytes, std::u16string* file) {
    char16_t name[kFileNameChars];
    char16_t path[kFilePathChars];
    for (int picture = 1; picture <= kMaxPicturesPerSecond; ++picture) {
      if (MakeSaveFileName(time, name, kFileNameChars, picture, bytes.format) <= 0 ||
          SafeFormat(path, kFilePathChars, u"%s%s", folder_.path, name) <= 0) {
        break;
      }
      std::uint32_t error = 0;
      if (os_.files.MoveNew(path_, path, &error)) {
        kept_ = true;
        *file = path;
        return SAVE_OK;
      }
      if (error != platform::kErrorAlreadyExists && error != platform::kErrorFileExists) return SAVE_ERR_WRITE_FILE;
      if (FileHoldsPicture(os_.files, path, bytes)) {
        *file = path;
        return SAVE_OK;
      }
    }
    return SAVE_ERR_FILE_NAME;
  }

 private:
  platform::Platform& os_;
  const SaveFolder& folder_;
  char16_t path_[kFilePathChars] = {};
  platform::Handle handle_ = platform::InvalidHandle();
  bool kept_ = false;
};

}  // namespace

SaveResult WritePicture(const SaveOrder& order, PictureKind kind, const std::uint8_t* bytes, std::size_t size,
                        std::u16string* file) {
  platform::Platform& os = platform::Current();
  SaveFolder folder;
  SaveResult result = PrepareFolder(order.folder, &folder);
  if (result != SAVE_OK) return result;
  EncodedPicture picture;
  if ((result = Encode(os.codecs, order.format, kind, bytes, size, &picture)) != SAVE_OK) return result;
  TemporaryFile temporary(os, folder);
  if ((result = temporary.Create()) != SAVE_OK || (result = temporary.Write(picture.bytes)) != SAVE_OK ||
      (result = temporary.Flush()) != SAVE_OK) {
    return result;
  }
  return temporary.MoveIntoPlace(order.time, picture.bytes, file);
}

SaveResult MakeSaveFolder(const char16_t* folder, std::u16string* made) {
  SaveFolder ended;
  const SaveResult result = PrepareFolder(folder, &ended);
  if (result == SAVE_OK) *made = ended.path;
  return result;
}

void RemoveLeftovers(const char16_t* folder) {
  SaveFolder ended;
  if (EndedFolder(folder, &ended)) RemoveLeftoversIn(platform::Current().files, ended);
}
