#include "plugin/IsSupported.h"

#include <string>

#include "format/VornHead.h"
#include "platform/AnsiText.h"
#include "platform/FileStreams.h"
#include "platform/Trace.h"
#include "support/QzXml.h"

namespace vorn {
namespace {

using platform::Trace;

template <class Char>
bool IsPathDelimiter(Char c) {
#if defined(_WIN32)
  return c == '\\' || c == ':';
#else
  // Native hosts pass POSIX paths.
  return c == '\\' || c == ':' || c == '/';
#endif
}

// ".vrn" in any case: -1 whatever the head holds; another extension: 0
// without reading anything; none: the head decides.
int32_t IsSupportedBy(bool hasExtension, bool vrn, uintptr_t dw) {
  int32_t result = 0;
  if (!hasExtension || vrn) {
    Trace("IsSupported:1");
    THead head;
    if (IsBufferPointer(dw)) {
      head = HeadFromBuffer(reinterpret_cast<const void*>(dw));
      Trace("IsSupported:3");
    } else {
      head = HeadFromHandle(dw);
      Trace("IsSupported:2");
    }
    result = vrn || HeadHasSignature(head) ? -1 : 0;
  }
  Trace("IsSupported:4=" + std::to_string(result));
  return result;
}

bool IsVrnExtension(std::u16string_view extension) {
  constexpr std::string_view kVrn = ".vrn";
  if (extension.size() != kVrn.size()) return false;
  for (size_t i = 0; i < kVrn.size(); ++i) {
    const char16_t c = extension[i];
    const char16_t lower = c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    if (lower != static_cast<char16_t>(kVrn[i])) return false;
  }
  return true;
}

}  // namespace

std::string_view FileExtension(std::string_view fileName, bool (*isLeadByte)(unsigned char)) {
  size_t dot = std::string_view::npos;
  for (size_t i = 0; i < fileName.size(); ++i) {
    const char c = fileName[i];
    if (isLeadByte(static_cast<unsigned char>(c)) && i + 1 < fileName.size()) {
      ++i;
    } else if (c == '.') {
      dot = i;
    } else if (IsPathDelimiter(c)) {
      dot = std::string_view::npos;
    }
  }
  return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

std::u16string_view FileExtension(std::u16string_view fileName) {
  size_t dot = std::u16string_view::npos;
  for (size_t i = 0; i < fileName.size(); ++i) {
    if (fileName[i] == u'.')
      dot = i;
    else if (IsPathDelimiter(fileName[i]))
      dot = std::u16string_view::npos;
  }
  return dot == std::u16string_view::npos ? std::u16string_view() : fileName.substr(dot);
}

bool IsBufferPointer(uintptr_t dw) { return (dw >> 16) != 0; }

THead HeadFromBuffer(const void* buffer) {
  THead head;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  while (head.Length < kHeadSize && bytes[head.Length] != 0) {
    head.Bytes[head.Length] = bytes[head.Length];
    ++head.Length;
  }
  return head;
}

THead HeadFromHandle(uintptr_t handle) {
  THead head;
  try {
    auto stream = platform::HostHandleStream(handle);
    // A handle that cannot be positioned is not read either: reading a pipe
    // or terminal could wait for ever.
    stream->Seek(0);
    head.Length = stream->Read(head.Bytes, kHeadSize);
  } catch (...) {
    // Bytes not obtained never match a signature.
  }
  return head;
}

bool HeadHasSignature(const THead& head) {
  return format::TVornHead(head.Bytes, head.Length).HasSupportedSignature();
}

int32_t IsSupportedCall(const char* fileName, uintptr_t dw) {
  Trace("IsSupported");
  Trace("IsSupported");
  const std::string_view extension =
      fileName != nullptr ? FileExtension(fileName, platform::IsAnsiLeadByte) : std::string_view();
  return IsSupportedBy(!extension.empty(), QzSameText(extension, ".vrn"), dw);
}

int32_t IsSupportedCallW(const char16_t* fileName, uintptr_t dw) {
  Trace("IsSupported");
  Trace("IsSupported");
  const std::u16string_view extension =
      fileName != nullptr ? FileExtension(std::u16string_view(fileName)) : std::u16string_view();
  return IsSupportedBy(!extension.empty(), IsVrnExtension(extension), dw);
}

}  // namespace vorn
