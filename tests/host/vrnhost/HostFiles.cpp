#include "tests/host/vrnhost/HostFiles.h"

#include <cstdio>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "platform/WideText.h"
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

namespace {

std::wstring AsWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::u16string WideFromHostText(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(wide > 0 ? wide : 0), L'\0');
  if (wide > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), size, out.data(), wide);
  return std::u16string(out.begin(), out.end());
}

std::string HostTextFromWide(const std::u16string& text) {
  if (text.empty()) return {};
  const std::wstring wide = AsWide(text);
  const int size = static_cast<int>(wide.size());
  // No best fit: 'a' for an alpha would name another file.
  const int bytes =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, "?", nullptr);
  std::string out(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, out.data(), bytes, "?", nullptr);
  return out;
}

std::u16string WriteScratchFileW(const std::string& dir, const std::u16string& name,
                                 const std::string& bytes) {
  const std::u16string path = WideFromHostText(dir) + u"\\" + name;
  HANDLE file = CreateFileW(AsWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + HostTextFromWide(path));
  DWORD written = 0;
  const bool ok = bytes.empty() || (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                                              &written, nullptr) &&
                                    written == bytes.size());
  CloseHandle(file);
  if (!ok) throw std::runtime_error("cannot write " + HostTextFromWide(path));
  return path;
}

// Through the wide API: scratch files may have names the ANSI code page
// cannot hold.
void RemoveScratchDirectory(const std::string& dir) {
  const std::wstring wideDir = AsWide(WideFromHostText(dir));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((wideDir + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW((wideDir + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(wideDir.c_str());
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

// Native names are UTF-8.
std::u16string WideFromHostText(const std::string& text) { return vorn::platform::Utf16FromUtf8(text); }

std::string HostTextFromWide(const std::u16string& text) { return vorn::platform::Utf8FromUtf16(text); }

std::u16string WriteScratchFileW(const std::string& dir, const std::u16string& name,
                                 const std::string& bytes) {
  return WideFromHostText(WriteScratchFile(dir, HostTextFromWide(name), bytes));
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
