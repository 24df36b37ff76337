#include "HostFiles.h"

#include <cstdio>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#endif

namespace vrnhost {

#if defined(_WIN32)

std::string MakeScratchDirectory() {
  char temp[MAX_PATH + 1] = {};
  if (GetTempPathA(MAX_PATH, temp) == 0) throw std::runtime_error("no temporary directory");
  const std::string dir =
      std::string(temp) + "vrnhost-" + std::to_string(GetCurrentProcessId()) + "-" +
      std::to_string(GetTickCount());
  if (!CreateDirectoryA(dir.c_str(), nullptr)) throw std::runtime_error("cannot create " + dir);
  return dir;
}

void RemoveScratchDirectory(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileA((dir + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(dir.c_str());
}

std::string WriteScratchFile(const std::string& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir + "\\" + name;
  if (!WriteWholeFile(path, bytes.data(), bytes.size())) throw std::runtime_error("cannot write " + path);
  return path;
}

THostFileHandle::THostFileHandle(const std::string& path)
    : handle_(reinterpret_cast<uintptr_t>(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                      nullptr, OPEN_EXISTING, 0, nullptr))) {}

THostFileHandle::~THostFileHandle() {
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool THostFileHandle::IsOpen() const {
  return reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE;
}

uintptr_t THostFileHandle::Value() const { return handle_; }

int64_t THostFileHandle::Position() const {
  LARGE_INTEGER zero{}, at{};
  if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), zero, &at, FILE_CURRENT)) return -1;
  return at.QuadPart;
}

bool THostFileHandle::SetPosition(int64_t position) {
  LARGE_INTEGER to{};
  to.QuadPart = position;
  return SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), to, nullptr, FILE_BEGIN) != FALSE;
}

#else

std::string MakeScratchDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/vrnhost-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
  return pattern;
}

void RemoveScratchDirectory(const std::string& dir) {
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

std::string WriteScratchFile(const std::string& dir, const std::string& name, const std::string& bytes) {
  const std::string path = dir + "/" + name;
  if (!WriteWholeFile(path, bytes.data(), bytes.size())) throw std::runtime_error("cannot write " + path);
  return path;
}

THostFileHandle::THostFileHandle(const std::string& path)
    : handle_(static_cast<uintptr_t>(::open(path.c_str(), O_RDONLY | O_CLOEXEC))) {}

THostFileHandle::~THostFileHandle() {
  if (IsOpen()) ::close(static_cast<int>(handle_));
}

bool THostFileHandle::IsOpen() const { return static_cast<intptr_t>(handle_) >= 0; }

uintptr_t THostFileHandle::Value() const { return handle_; }

int64_t THostFileHandle::Position() const {
  return IsOpen() ? ::lseek(static_cast<int>(handle_), 0, SEEK_CUR) : -1;
}

bool THostFileHandle::SetPosition(int64_t position) {
  return IsOpen() && ::lseek(static_cast<int>(handle_), position, SEEK_SET) == position;
}

#endif

bool WriteWholeFile(const std::string& path, const void* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace vrnhost
