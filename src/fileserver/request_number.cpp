#include "fileserver/request_number.h"

#include <limits>

namespace talvesso {

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9')
    v = c - '0';
  else if (c >= 'a' && c <= 'f')
    v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    v = c - 'A' + 10;
  return v >= 0 && v < base ? v : -1;
}

// The value read, clamped to [minValue, maxValue] (minValue == -maxValue - 1).
int64_t ParseClamped(std::string_view line, int64_t maxValue, int64_t minValue) {
  size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
    negative = line[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < line.size() && (line[i] == '$' || line[i] == 'x' || line[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < line.size() && line[i] == '0' && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  // Accumulate as unsigned with a cap just above what either limit needs.
  const uint64_t cap = static_cast<uint64_t>(maxValue) + 1;  // |minValue| for two's complement
  uint64_t magnitude = 0;
  for (; i < line.size(); ++i) {
    const int d = DigitValue(line[i], base);
    if (d < 0) break;
    if (magnitude > (cap - static_cast<uint64_t>(d)) / base)
      magnitude = cap + 1;  // saturated, and stays so
    else
      magnitude = magnitude * base + d;
  }
  if (negative) return magnitude >= cap ? minValue : -static_cast<int64_t>(magnitude);
  return magnitude > static_cast<uint64_t>(maxValue) ? maxValue : static_cast<int64_t>(magnitude);
}

}  // namespace

int32_t ParseRequestNumber32(std::string_view line) {
  return static_cast<int32_t>(
      ParseClamped(line, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()));
}

int64_t ParseRequestNumber64(std::string_view line) {
  return ParseClamped(line, std::numeric_limits<int64_t>::max(),
                      std::numeric_limits<int64_t>::min());
}

std::string_view TrimControlBytes(std::string_view line) {
  auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  size_t begin = 0, end = line.size();
  while (begin < end && isControl(line[begin])) ++begin;
  while (end > begin && isControl(line[end - 1])) --end;
  return line.substr(begin, end - begin);
}

}  // namespace talvesso
