// How numbers in a peer's request lines are read, and how the command line is trimmed.
#pragma once

#include <cstdint>
#include <string_view>

namespace talvesso {

// Leading spaces skipped, an optional "+" or "-", then decimal digits, or hexadecimal digits
// after "$", "x", "X", "0x" or "0X". Reading stops at the first byte that is not a digit of
// the base; no digits give 0. A value beyond the field's range is clamped to the nearest
// limit (so an offset too large for 64 bits still counts as "beyond the end of the file").
int32_t ParseRequestNumber32(std::string_view line);
int64_t ParseRequestNumber64(std::string_view line);

// The line without its leading and trailing bytes 0 to 32 (blanks and control characters).
std::string_view TrimControlBytes(std::string_view line);

}  // namespace talvesso
