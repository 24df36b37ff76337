// The system's 8-bit text: whether a byte opens a double-byte character, so
// that scans for '\' or '.' in a file name never stop inside one (the second
// byte of a code page 932 character may be 0x5C). Native file names are
// UTF-8, where no such byte occurs inside a character.
#pragma once

#include <string>

namespace vorn::platform {

bool IsAnsiLeadByte(unsigned char c);
// A file name in the system's 8-bit code page as UTF-8 (native names are
// UTF-8 already and stay as they are).
std::string Utf8FromAnsiName(const std::string& name);

}  // namespace vorn::platform
