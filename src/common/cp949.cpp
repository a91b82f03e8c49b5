#include "common/cp949.h"

#include <iconv.h>

#include <cerrno>

namespace talvesso {

namespace {

constexpr const char* kCp949 = "CP949";
constexpr const char* kUtf8 = "UTF-8";
constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// One conversion descriptor per direction and thread: an iconv_t keeps shift state and must
// not be used by two threads at once, and opening one for every call costs more than the
// conversion of a short text.
class TConverter {
 public:
  TConverter(const char* to, const char* from) : Cd_(iconv_open(to, from)) {}
  ~TConverter() {
    if (Usable()) iconv_close(Cd_);
  }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  // Appends the conversion of `input` to `output`. Returns true when all of it converted;
  // otherwise `consumed` is the offset of the first byte that could not be converted and
  // `output` has gained the conversion of everything before it.
  bool Convert(std::string_view input, std::string& output, size_t& consumed) {
    consumed = 0;
    if (!Usable()) return false;  // the system lacks the code page: nothing converts
    iconv(Cd_, nullptr, nullptr, nullptr, nullptr);  // fresh shift state
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[4096];
    for (;;) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      const size_t result = iconv(Cd_, &in, &inLeft, &out, &outLeft);
      const int error = errno;
      output.append(buffer, sizeof buffer - outLeft);
      consumed = input.size() - inLeft;
      if (result != static_cast<size_t>(-1)) {
        // A positive count means characters were replaced irreversibly: not a faithful copy.
        if (result != 0) return false;
        break;
      }
      if (error != E2BIG) return false;  // EILSEQ: invalid or unmappable; EINVAL: cut short
    }
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    iconv(Cd_, nullptr, nullptr, &out, &outLeft);  // closing shift sequence, if any
    output.append(buffer, sizeof buffer - outLeft);
    return true;
  }

 private:
  bool Usable() const { return Cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Cd_;
};

TConverter& ToCp949() {
  thread_local TConverter converter(kCp949, kUtf8);
  return converter;
}

TConverter& FromCp949() {
  thread_local TConverter converter(kUtf8, kCp949);
  return converter;
}

// Length of the well-formed UTF-8 sequence at the start of `text`, 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

// Converts as much as possible, putting `replacement` where a piece cannot be converted.
// `skip` says how many bytes of the rest that piece takes up.
template <typename SkipFn>
std::string ConvertLossy(TConverter& converter, std::string_view input, const char* replacement,
                         SkipFn skip) {
  std::string result;
  while (!input.empty()) {
    size_t consumed = 0;
    if (converter.Convert(input, result, consumed)) break;
    input.remove_prefix(consumed);
    if (input.empty()) break;  // defensive: a failure always leaves a byte behind
    result += replacement;
    input.remove_prefix(skip(input));
  }
  return result;
}

}  // namespace

std::optional<std::string> Utf8ToCp949(std::string_view utf8) {
  std::string result;
  size_t consumed = 0;
  if (!ToCp949().Convert(utf8, result, consumed)) return std::nullopt;
  return result;
}

std::optional<std::string> Cp949ToUtf8(std::string_view cp949) {
  std::string result;
  size_t consumed = 0;
  if (!FromCp949().Convert(cp949, result, consumed)) return std::nullopt;
  return result;
}

std::string Cp949ToUtf8Lossy(std::string_view cp949) {
  // An undecodable byte becomes one U+FFFD; decoding resumes at the next byte, so a bad
  // lead byte does not swallow the ASCII character after it.
  return ConvertLossy(FromCp949(), cp949, kReplacementCharacter,
                      [](std::string_view) { return size_t{1}; });
}

std::string Utf8ToCp949Lossy(std::string_view utf8) {
  // A character CP949 lacks becomes one "?"; so does each byte of broken UTF-8.
  return ConvertLossy(ToCp949(), utf8, "?", [](std::string_view rest) {
    const size_t length = Utf8SequenceLength(rest);
    return length == 0 ? size_t{1} : length;
  });
}

}  // namespace talvesso
