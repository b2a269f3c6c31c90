// Writes a taken picture as a BMP, PNG or JPEG file named after its press, by
// the name template, in the sub-folders it gives. The file is written under a
// hidden temporary name in the folder it goes to, flushed, and only then
// given its final name, which it never takes from another file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/save_job.h"

// Writes the picture `bytes` of `size` bytes, a bitmap block or a checked
// "PNG" file, below the order's folder as its format, named by its template
// after its time; the final path into *file on success. A "PNG" saved as PNG
// is written as it is. A failure names the folder, or the file's final path,
// and the Windows error.
SaveFault WritePicture(platform::Platform& os, const SaveOrder& order, PictureKind kind, const std::uint8_t* bytes,
                       std::size_t size, std::u16string* file);

// The folder as a save makes it: ended with a backslash, every missing level
// made; its path into *made on success.
SaveFault MakeSaveFolder(platform::FileSystem& files, const char16_t* folder, std::u16string* made);

// Removes the temporary files that no save owns from `folder` and its
// sub-folders down to `levels` below it (the name template's depth): those
// of ended processes, and this process's own that no save has open. Another
// running copy's stay.
void RemoveLeftovers(platform::Platform& os, const char16_t* folder, int levels);
