// Files by their UTF-8 names for the command-line tools: opening one to read
// (with the system's reason when it cannot be), and replacing one safely
// (the new content goes to a temporary file beside it, flushed to disk, and
// takes the name only when complete, so a failure never leaves half a file
// or destroys the one that was there).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vorn::platform {

// fopen with a UTF-8 name (_wfopen on Windows); null with the system's
// reason in *reason when it cannot be opened.
std::FILE* OpenFile(const std::string& utf8Path, const char* mode, std::string* reason);
// Moves the file to an absolute position, 64-bit on every system.
bool SeekFile(std::FILE* file, uint64_t position);
// The file's size, or -1 when it has none (a pipe).
int64_t FileSize(std::FILE* file);

// Writes bytes under utf8Path as described above. noClobber: an existing
// file there is left as it is and the call fails. Returns an empty string on
// success, else the system's reason.
std::string WriteWholeFileSafely(const std::string& utf8Path, const std::vector<uint8_t>& bytes,
                        bool noClobber);

}  // namespace vorn::platform
