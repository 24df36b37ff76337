// The system's 8-bit text: whether a byte opens a double-byte character, so
// that scans for '\' or '.' in a file name never stop inside one (the second
// byte of a code page 932 character may be 0x5C). Native file names are
// UTF-8, where no such byte occurs inside a character.
#pragma once

namespace vorn::platform {

bool IsAnsiLeadByte(unsigned char c);

}  // namespace vorn::platform
