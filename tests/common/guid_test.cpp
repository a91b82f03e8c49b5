#include "common/guid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace talvesso {
namespace {

TEST(GuidToHex, WritesTheFieldsInOrderUpperCaseWithLeadingZeros) {
  TGuid guid;
  guid.D1 = 0x0123ABCD;
  guid.D2 = 0x00EF;
  guid.D3 = 0x4A05;
  guid.D4 = {0x00, 0x9B, 0x1C, 0xD2, 0xE3, 0xF4, 0x05, 0xFF};
  EXPECT_EQ(GuidToHex(guid), "0123ABCD00EF4A05009B1CD2E3F405FF");
  EXPECT_EQ(GuidToHex(TGuid{}), std::string(32, '0'));
}

TEST(NewGuidHex, ThirtyTwoUpperHexDigitsOfAVersionFourGuid) {
  for (int i = 0; i < 100; ++i) {
    const std::string hex = NewGuidHex();
    ASSERT_EQ(hex.size(), 32u);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos) << hex;
    EXPECT_EQ(hex[12], '4') << hex;                                          // version nibble
    EXPECT_NE(std::string("89AB").find(hex[16]), std::string::npos) << hex;  // variant
  }
}

TEST(NewGuidHex, NewOnEveryCallAlsoAcrossThreads) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::vector<std::string>> made(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&made, t] {
      for (int i = 0; i < kPerThread; ++i) made[t].push_back(NewGuidHex());
    });
  for (auto& thread : threads) thread.join();
  std::set<std::string> distinct;
  for (const auto& list : made) distinct.insert(list.begin(), list.end());
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kPerThread));
}

}  // namespace
}  // namespace talvesso
