// Writes a surface as a PNG file through libpng: palette pictures as indexed
// PNG with their colour table, 15/16 bits widened to 8-bit channels, 24 and
// 32 bits as RGB.
#pragma once

#include <string>

#include "surface/DIBSurface.h"

namespace vorn::tools {

// Fails with std::runtime_error (an English message) when the file cannot be
// written.
void WritePng(const TDIBSurface& surface, const std::string& fileName);

}  // namespace vorn::tools
