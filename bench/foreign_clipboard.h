// Puts a picture on the clipboard from another process, as the program meets
// it in use: the clipboard's data then belongs to someone else, and reading
// it costs what it costs a program that did not put it there.
#pragma once

#include <cstdint>

namespace bench {

// Runs this executable with --put-dib and waits for it; false on failure.
bool PutPictureFromOtherProcess(int width, int height, std::uint32_t seed);

// The body of that other process: puts the picture and returns the exit code.
int PutPictureAndExit(int width, int height, std::uint32_t seed);

}  // namespace bench
