// Reading the backend's answers: markers, lines, numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvesso {

inline constexpr std::string_view kMarkerOk = "##%%OK%%##";
inline constexpr std::string_view kMarkerNotMoney = "##%%NOT_MONEY%%##";
inline constexpr std::string_view kMarkerNotExists = "##%%NOT_EXISTS%%##";

// Case-sensitive substring test.
bool HasMarker(std::string_view answer, std::string_view marker);
// Lines end at CR, LF or CR LF.
std::vector<std::string> SplitAnswerLines(std::string_view answer);
// Leading blanks and a sign accepted, stops at the first non-digit, 0 when nothing is read.
int32_t LenientInt(std::string_view line);
// The whole line (leading blanks allowed) is a decimal number > 0; else nullopt.
std::optional<int32_t> StrictPositiveInt(std::string_view line);

}  // namespace talvesso
