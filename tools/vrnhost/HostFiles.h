// Files as a host holds them: scratch files with given contents, and an open
// handle on a file (a Win32 HANDLE on Windows, a descriptor natively) that
// the host owns and may pass to IsSupported.
#pragma once

#include <cstdint>
#include <string>

namespace vrnhost {

// A directory for scratch files, created for this run.
std::string MakeScratchDirectory();
void RemoveScratchDirectory(const std::string& dir);

// Writes bytes to dir/name and returns the path.
std::string WriteScratchFile(const std::string& dir, const std::string& name, const std::string& bytes);
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

class THostFileHandle {
 public:
  explicit THostFileHandle(const std::string& path);
  ~THostFileHandle();
  THostFileHandle(const THostFileHandle&) = delete;
  THostFileHandle& operator=(const THostFileHandle&) = delete;

  bool IsOpen() const;
  // The value passed as dw.
  uintptr_t Value() const;
  // The handle's file position, -1 when it cannot be had (e.g. closed).
  int64_t Position() const;
  bool SetPosition(int64_t position);

 private:
  uintptr_t handle_;
};

}  // namespace vrnhost
