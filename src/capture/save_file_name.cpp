#include "capture/save_file_name.h"

#include "common/safe_format.h"

int MakeSaveFileName(const platform::LocalTime& time, char16_t* buffer, std::size_t count, int copy,
                     std::uint32_t format) {
  const char16_t* extension = format == kFormatPng ? u".png" : format == kFormatJpg ? u".jpg" : u".bmp";
  if (copy <= 1) {
    return SafeFormat(buffer, count, u"%d-%d-%d_%d-%d-%02d%s", int{time.year}, int{time.month}, int{time.day},
                      int{time.hour}, int{time.minute}, int{time.second}, extension);
  }
  return SafeFormat(buffer, count, u"%d-%d-%d_%d-%d-%02d (%d)%s", int{time.year}, int{time.month},
                    int{time.day}, int{time.hour}, int{time.minute}, int{time.second}, copy, extension);
}
