// IsSupported: the first byte gives the file name's length (low 6 bits) and
// the input kind (bit 7: a file handle instead of the host's 2 KiB buffer);
// then come the name's bytes and the file's first bytes.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/IsSupported.h"

namespace {

bool EndsWithVrn(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (char& c : tail)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return tail == ".vrn";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t nameLength = std::min<size_t>(data[0] & 0x3F, size - 1);
  // The host's name is zero-terminated: it ends at its first zero byte.
  std::string name(reinterpret_cast<const char*>(data) + 1, nameLength);
  name = name.c_str();
  const uint8_t* head = data + 1 + nameLength;
  const size_t headSize = size - 1 - nameLength;

  int32_t result = 0;
  if (data[0] & 0x80) {
    // A handle: here a file descriptor of an anonymous file with the bytes.
    const int fd = ::memfd_create("vorn-fuzz", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (headSize > 0 && ::write(fd, head, headSize) != static_cast<ssize_t>(headSize)) std::abort();
    if (data[0] & 0x40) ::lseek(fd, 3, SEEK_SET);  // the test reads from the start anyway
    result = vorn::IsSupportedCall(name.c_str(), static_cast<uintptr_t>(fd));
    ::close(fd);
  } else {
    // The host hands the first 2 KiB of the file, zero-filled past its end.
    std::vector<uint8_t> buffer(2048, 0);
    std::copy_n(head, std::min(headSize, buffer.size()), buffer.begin());
    result = vorn::IsSupportedCall(name.c_str(), reinterpret_cast<uintptr_t>(buffer.data()));
  }
  if (result != 0 && result != -1) std::abort();
  // The extension alone decides a ".vrn" name whose last dot is that one.
  const bool plainVrn = EndsWithVrn(name) && name.find_first_of("/\\:", name.size() - 4) ==
                                                 std::string::npos;
  // (Double-byte characters can hide a dot; such names are left out.)
  const bool ascii = std::none_of(name.begin(), name.end(), [](char c) { return c & 0x80; });
  if (plainVrn && ascii && result != -1) std::abort();
  return 0;
}
