// Files as a host holds them: scratch files with given contents, and an open
// handle on a file (a Win32 HANDLE on Windows, a descriptor natively) that
// the host owns and may pass to IsSupported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vrnhost {

// A directory for scratch files, created for this run.
std::string MakeScratchDirectory();
void RemoveScratchDirectory(const std::string& dir);

// Writes bytes to dir/name and returns the path.
std::string WriteScratchFile(const std::string& dir, const std::string& name, const std::string& bytes);
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

// Names as a host holds them (the ANSI code page on Windows, UTF-8 natively)
// and in UTF-16 for the W entry points.
std::u16string WideFromHostText(const std::string& text);
// Characters the host's text cannot hold become '?', as in a host that only
// has a name's ANSI form.
std::string HostTextFromWide(const std::u16string& text);
// Writes bytes to dir/name, the name in UTF-16 (created through the wide
// API on Windows), and returns the path in UTF-16.
std::u16string WriteScratchFileW(const std::string& dir, const std::u16string& name,
                                 const std::string& bytes);

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
