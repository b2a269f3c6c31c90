#include "capture/write_picture.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "capture/bmp_pieces.h"
#include "capture/picture_file.h"
#include "common/bounded_text.h"
#include "common/folder_levels.h"
#include "common/name_format.h"
#include "common/safe_format.h"
#include "platform/owners.h"

namespace {

// A save writes the picture under a temporary name in the folder the file
// goes to, hidden and unique to this process, and gives it its final name
// only once every byte is on the disk. So the final name never holds a
// partial picture, the move is a rename within one folder (never across
// volumes, whatever is mounted below the save folder), and a process that
// dies mid-save leaves only its temporary file, which the next start or save
// into that folder removes.
constexpr char16_t kTempPrefix[] = u".tarnwick-";
constexpr char16_t kTempSuffix[] = u".tmp";
static_assert(std::size(kTempPrefix) - 1 + 10 + std::size(kTempSuffix) - 1 == kTemporaryNameChars,
              "the name templates leave room for the temporary file");
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
SaveResult PrepareFolder(const char16_t* folder, std::u16string_view below, SaveFolder* out) {
  if (!EndedFolder(folder, out)) return SAVE_ERR_SAVE_DIR;
  if (!AppendText(out->path, kFilePathChars, below)) return SAVE_ERR_FILE_NAME;
  return CreateMissingFolderLevels(platform::Current().files, out->path, nullptr).ok ? SAVE_OK : SAVE_ERR_CREATE_DIR;
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

void RemoveLeftoversIn(platform::FileSystem& files, const char16_t* folder) {
  char16_t path[kFilePathChars];
  if (SafeFormat(path, kFilePathChars, u"%s%s*%s", folder, kTempPrefix, kTempSuffix) <= 0) return;
  for (const std::u16string& name : files.FindFiles(path)) {
    if (!IsTemporaryName(name)) continue;
    if (SafeFormat(path, kFilePathChars, u"%s%s", folder, name.c_str()) > 0) files.RemoveIfUnused(path);
  }
}

// The leftovers in `folder` and in its sub-folders down to `levels` below.
void RemoveLeftoversBelow(platform::FileSystem& files, const std::u16string& folder, int levels) {
  RemoveLeftoversIn(files, folder.c_str());
  if (levels <= 0) return;
  for (const std::u16string& name : files.FindFolders((folder + u'*').c_str())) {
    const std::u16string below = folder + name + u'\\';
    if (below.size() < kFilePathChars) RemoveLeftoversBelow(files, below, levels - 1);
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
    RemoveLeftoversIn(os_.files, folder_.path);
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
  SaveResult MoveIntoPlace(const SaveOrder& order, const PictureBytes& bytes, std::u16string* file) {
    char16_t path[kFilePathChars];
    for (int picture = 1; picture <= kMaxPicturesPerSecond; ++picture) {
      const std::u16string name = MakeSaveFileName(order.time, order.nameFormat, picture, bytes.format);
      if (name.empty() ||
          SafeFormat(path, kFilePathChars, u"%s%s", folder_.path, LastLevel(name)) <= 0) {
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
  // Every copy's name of the second lies in the first's folder.
  const std::u16string name = MakeSaveFileName(order.time, order.nameFormat, 1, order.format);
  if (name.empty()) return SAVE_ERR_FILE_NAME;
  const std::u16string_view subFolders(name.c_str(), static_cast<std::size_t>(LastLevel(name) - name.c_str()));
  SaveFolder folder;
  SaveResult result = PrepareFolder(order.folder, subFolders, &folder);
  if (result != SAVE_OK) return result;
  EncodedPicture picture;
  if ((result = Encode(os.codecs, order.format, kind, bytes, size, &picture)) != SAVE_OK) return result;
  TemporaryFile temporary(os, folder);
  if ((result = temporary.Create()) != SAVE_OK || (result = temporary.Write(picture.bytes)) != SAVE_OK ||
      (result = temporary.Flush()) != SAVE_OK) {
    return result;
  }
  return temporary.MoveIntoPlace(order, picture.bytes, file);
}

SaveResult MakeSaveFolder(const char16_t* folder, std::u16string* made) {
  SaveFolder ended;
  const SaveResult result = PrepareFolder(folder, u"", &ended);
  if (result == SAVE_OK) *made = ended.path;
  return result;
}

void RemoveLeftovers(const char16_t* folder, int levels) {
  SaveFolder ended;
  if (EndedFolder(folder, &ended)) RemoveLeftoversBelow(platform::Current().files, ended.path, levels);
}
