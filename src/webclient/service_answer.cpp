#include "webclient/service_answer.h"

#include <limits>

namespace talvesso {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool HasMarker(std::string_view answer, std::string_view marker) {
  return !marker.empty() && answer.find(marker) != std::string_view::npos;
}

std::vector<std::string> SplitAnswerLines(std::string_view answer) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < answer.size()) {
    char c = answer[i];
    if (c == '\r' || c == '\n') {
      lines.emplace_back(answer.substr(start, i - start));
      if (c == '\r' && i + 1 < answer.size() && answer[i + 1] == '\n') ++i;
      start = ++i;
      continue;
    }
    ++i;
  }
  // A final line break does not open another line.
  if (start < answer.size()) lines.emplace_back(answer.substr(start));
  return lines;
}

int32_t LenientInt(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  // Saturate instead of wrapping: a huge number from the backend must not turn negative.
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (; i < line.size() && IsDigit(line[i]); ++i) {
    value = value * 10 + (line[i] - '0');
    if (value > kMax + 1) value = kMax + 1;
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value > kMax ? kMax : value);
}

std::optional<int32_t> StrictPositiveInt(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (i == line.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < line.size(); ++i) {
    if (!IsDigit(line[i])) return std::nullopt;
    value = value * 10 + (line[i] - '0');
    if (value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  }
  if (value <= 0) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace talvesso
