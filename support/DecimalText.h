// Decimal integer text as the settings and the format test read it.
#pragma once

#include <cstdint>
#include <string_view>

namespace vorn {

// An optional sign followed by one or more decimal digits and nothing else,
// within the 32-bit signed range. Anything else (empty text, blanks, letters,
// hexadecimal, overflow) is not a number: false, value untouched.
bool TryParseDecimal(std::string_view text, int32_t& value);

}  // namespace vorn
