#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>

#include "platform/OutputFiles.h"
#include "platform/WideText.h"

namespace vorn::platform {
namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf16FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

// The system's text for an error code, without its line break.
std::string SystemReason(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string wide(text, text + n);
  LocalFree(text);
  while (!wide.empty() && (wide.back() == u'\n' || wide.back() == u'\r' || wide.back() == u'.'))
    wide.pop_back();
  return wide.empty() ? "error " + std::to_string(code) : Utf8FromUtf16(wide);
}

}  // namespace

std::FILE* OpenFile(const std::string& utf8Path, const char* mode, std::string* reason) {
  const std::wstring wideMode(mode, mode + std::strlen(mode));
  std::FILE* file = _wfopen(Wide(utf8Path).c_str(), wideMode.c_str());
  if (file == nullptr && reason != nullptr) *reason = std::strerror(errno);
  return file;
}

bool SeekFile(std::FILE* file, uint64_t position) {
  return position <= INT64_MAX && _fseeki64(file, static_cast<int64_t>(position), SEEK_SET) == 0;
}

int64_t FileSize(std::FILE* file) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  LARGE_INTEGER size{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &size)) return -1;
  return size.QuadPart;
}

std::string WriteWholeFileSafely(const std::string& utf8Path, const std::vector<uint8_t>& bytes,
                        bool noClobber) {
  const std::wstring target = Wide(utf8Path);
  if (noClobber && GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
    return SystemReason(ERROR_FILE_EXISTS);
  const size_t slash = target.find_last_of(L"/\\");
  const std::wstring dir = slash == std::wstring::npos ? std::wstring() : target.substr(0, slash + 1);
  const std::wstring name = slash == std::wstring::npos ? target : target.substr(slash + 1);
  std::random_device random;
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < 16; ++attempt) {
    temp = dir + L"." + name + L"." + std::to_wstring(random() % 1000000) + L".tmp";
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return SystemReason(GetLastError());
  }
  if (file == INVALID_HANDLE_VALUE) return SystemReason(ERROR_FILE_EXISTS);
  DWORD error = 0;
  for (size_t done = 0; done < bytes.size() && error == 0;) {
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written == 0)
      error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    done += written;
  }
  if (error == 0 && !FlushFileBuffers(file)) error = GetLastError();
  CloseHandle(file);
  if (error == 0 && noClobber && GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
    error = ERROR_FILE_EXISTS;
  if (error == 0 &&
      !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = GetLastError();
  if (error != 0) {
    DeleteFileW(temp.c_str());
    return SystemReason(error);
  }
  return {};
}

}  // namespace vorn::platform
