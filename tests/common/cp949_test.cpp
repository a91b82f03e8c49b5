#include "common/cp949.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace talvesso {
namespace {

struct TCodecCase {
  std::string Utf8;
  std::string Cp949;
};

// Byte pairs checked against the code page table. "똠" lies outside EUC-KR (KS X 1001) and
// only in CP949's extension, so it proves the wider code page is in use.
const TCodecCase kRoundTrips[] = {
    {"", ""},
    {"plain ASCII 0-9 ~\\", "plain ASCII 0-9 ~\\"},
    {"한글", "\xC7\xD1\xB1\xDB"},
    {"똠", "\x8C\x63"},
    {"漢", "\xF9\xD3"},
    {"①€", "\xA8\xE7\xA2\xE6"},
    {"동영상/폴더 1.avi", "\xB5\xBF\xBF\xB5\xBB\xF3/\xC6\xFA\xB4\xF5 1.avi"},
    {std::string("a\0b", 3), std::string("a\0b", 3)},  // NUL is an ordinary character
};

TEST(Cp949, ConvertsBothWays) {
  for (const auto& c : kRoundTrips) {
    EXPECT_EQ(Utf8ToCp949(c.Utf8), c.Cp949) << c.Utf8;
    EXPECT_EQ(Cp949ToUtf8(c.Cp949), c.Utf8) << c.Utf8;
    EXPECT_EQ(Utf8ToCp949Lossy(c.Utf8), c.Cp949) << c.Utf8;
    EXPECT_EQ(Cp949ToUtf8Lossy(c.Cp949), c.Utf8) << c.Utf8;
  }
}

TEST(Cp949, LongTextConvertsWhole) {
  std::string utf8, cp949;
  for (int i = 0; i < 20000; ++i) {
    utf8 += "한글a";
    cp949 +=
        "\xC7\xD1\xB1\xDB"
        "a";
  }
  EXPECT_EQ(Utf8ToCp949(utf8), cp949);
  EXPECT_EQ(Cp949ToUtf8(cp949), utf8);
}

TEST(Cp949, TextTheCodePageCannotHoldIsRefusedNotMangled) {
  // Thai, an emoji, the won sign U+20A9 (CP949 has only the full-width one).
  for (const std::string text : {"ก", "file 😀.txt", "₩100"})
    EXPECT_EQ(Utf8ToCp949(text), std::nullopt) << text;
}

TEST(Cp949, InvalidUtf8IsAnError) {
  for (const std::string text : {"\xC3\x28", "abc\xED\x95", "\xC0\xAF", "\xED\xA0\x80",
                                 "\xF8\x88\x80\x80\x80", "\xFF", "\x80"})
    EXPECT_EQ(Utf8ToCp949(text), std::nullopt);
}

TEST(Cp949, InvalidCp949IsAnError) {
  // A lone lead byte at the end, an undefined byte, a lead byte with a bad trail byte.
  for (const std::string bytes : {"ab\xC7", "\xFF", "\x80", "\xC7\x20", "\xC9"})
    EXPECT_EQ(Cp949ToUtf8(bytes), std::nullopt);
}

TEST(Cp949, LossyFormsReplaceOnlyWhatCannotBeConverted) {
  EXPECT_EQ(Utf8ToCp949Lossy("a😀b한"), "a?b\xC7\xD1");
  EXPECT_EQ(Utf8ToCp949Lossy("ก₩"), "??");
  EXPECT_EQ(Utf8ToCp949Lossy("x\xC3\x28y"), "x?(y");  // broken UTF-8: one "?" per bad byte
  EXPECT_EQ(Utf8ToCp949Lossy("end\xED\x95"), "end??");

  EXPECT_EQ(Cp949ToUtf8Lossy("\xC7\xD1\xFF\xB1\xDB"), "한\uFFFD글");
  EXPECT_EQ(Cp949ToUtf8Lossy("\xC7 x"), "\uFFFD x");  // the blank after a bad lead survives
  EXPECT_EQ(Cp949ToUtf8Lossy("ab\xC7"), "ab\uFFFD");
}

TEST(Cp949, LossyDecodingOfLongGarbageStaysLinear) {
  // Every other byte undecodable: a quadratic retry would take minutes here.
  std::string garbage;
  for (int i = 0; i < 200000; ++i)
    garbage +=
        "\xFF"
        "a";
  const std::string decoded = Cp949ToUtf8Lossy(garbage);
  EXPECT_EQ(decoded.size(), 200000u * 4);  // U+FFFD is three bytes, "a" one
}

TEST(Cp949, ManyThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&failures, t] {
      for (int i = 0; i < 2000; ++i) {
        const std::string text = "공유폴더 " + std::to_string(i);
        const auto encoded = Utf8ToCp949(text);
        if (!encoded || Cp949ToUtf8(*encoded) != text) ++failures[t];
        if (Utf8ToCp949("😀")) ++failures[t];
      }
    });
  for (auto& thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
}  // namespace talvesso
