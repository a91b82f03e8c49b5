#include "common/text_format.h"

#include <charconv>
#include <cstdio>

namespace talvesso {

namespace {

// "#,##0": a comma every three digits from the right, a minus sign for negatives.
std::string GroupThousands(int64_t n) {
  // Work on the magnitude as unsigned so INT64_MIN has a magnitude too.
  uint64_t magnitude = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  std::string digits = std::to_string(magnitude);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3 + 1);
  if (n < 0) out += '-';
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// n / unit with exactly two decimals, a 5 in the third decimal rounding away from zero.
// Done in integers: the quotient of two integers has an exact decimal expansion, which a
// double may not print the way the rule wants (1.125 must give 1.13). n is positive here.
std::string TwoDecimals(int64_t n, int64_t unit) {
  const int64_t whole = n / unit;
  const int64_t rest = n % unit;  // < unit <= 2^30, so rest * 100 cannot overflow
  const int64_t hundredths = (rest * 100 + unit / 2) / unit;
  const int64_t total = whole * 100 + hundredths;  // whole < 2^43, no overflow
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld.%02lld", static_cast<long long>(total / 100),
                static_cast<long long>(total % 100));
  return buffer;
}

// n / 1024 rounded to a whole number, ties to the even neighbour. n is positive here.
int64_t WholeKilobytes(int64_t n) {
  int64_t kb = n / 1024;
  const int64_t rest = n % 1024;
  if (rest > 512 || (rest == 512 && kb % 2 != 0)) ++kb;
  return kb;
}

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = 1024 * 1024;
constexpr int64_t kGiga = 1024 * 1024 * 1024;

}  // namespace

std::string FormatThousands(const std::string& text) {
  if (text.empty()) return "0";
  std::string digits;
  digits.reserve(text.size());
  for (char c : text)
    if (c != ',') digits += c;
  const char* begin = digits.data();
  const char* end = begin + digits.size();
  if (begin != end && *begin == '+') {  // from_chars takes only a minus sign
    ++begin;
    if (begin != end && *begin == '-') return "0";
  }
  int32_t value = 0;
  auto [stop, error] = std::from_chars(begin, end, value);
  if (error != std::errc() || stop != end || begin == end) return "0";
  return GroupThousands(value);
}

std::string FormatByteSize(int64_t n) {
  if (n >= kGiga) return TwoDecimals(n, kGiga) + " GB";
  if (n >= kMega) return TwoDecimals(n, kMega) + " MB";
  if (n >= kKilo) return std::to_string(WholeKilobytes(n)) + " KB";
  return GroupThousands(n) + " bytes";
}

std::string FormatDownloadSize(int32_t n) {
  if (n >= kMega) return TwoDecimals(n, kMega) + " MB";
  if (n >= kKilo) return std::to_string(WholeKilobytes(n)) + " KB";
  return GroupThousands(n) + " bytes";
}

}  // namespace talvesso
