// Writes a picture the library delivers (a vorn_dib) as a PNG file through
// libpng: palette pictures as indexed PNG with their colour table, 16 bits
// widened to 8-bit channels, 24 and 32 bits as RGB.
#pragma once

#include <string>

#include "vorn/vorn.h"

namespace vorn::tools {

// Fails with std::runtime_error (an English message) when the picture is
// empty or the file cannot be written.
void WritePng(const vorn_dib& dib, const std::string& fileName);

}  // namespace vorn::tools
