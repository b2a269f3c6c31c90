#pragma once

namespace e2e {
// Starts Tarnwick, puts a sample picture on the clipboard, presses the hot
// key, prints the saved file's path, size and dimensions, and ends the
// program through its exit command. 0 when all of that worked.
int RunDemo();
}  // namespace e2e
