// Reading the numbers of the network check out of texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace talvesso {

// The port under test: the port text read as a decimal integer (leading blanks and a sign
// allowed); text that is not a number, or a number outside 1..65535, gives 4098.
int CheckPortNumber(std::string_view portText);

// Characters 12 to 21 (counted from 1) of a speed reply text; fewer when the text is shorter.
std::string SpeedFigure(std::string_view replyText);

// The figure read as a 32-bit decimal integer: leading blanks and a sign allowed, nothing
// after the digits; anything else gives 0.
int32_t SpeedTargetFromFigure(std::string_view figure);

}  // namespace talvesso
