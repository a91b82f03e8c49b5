#include "diagnostics/check_parsing.h"

#include <charconv>
#include <optional>

namespace talvesso {

namespace {

constexpr int kFallbackPort = 4098;

std::optional<int32_t> ReadInteger(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

int CheckPortNumber(std::string_view portText) {
  auto value = ReadInteger(portText);
  if (!value || *value < 1 || *value > 65535) return kFallbackPort;
  return *value;
}

std::string SpeedFigure(std::string_view replyText) {
  if (replyText.size() <= 11) return {};
  return std::string(replyText.substr(11, 10));
}

int32_t SpeedTargetFromFigure(std::string_view figure) { return ReadInteger(figure).value_or(0); }

}  // namespace talvesso
