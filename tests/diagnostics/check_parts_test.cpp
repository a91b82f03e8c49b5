// The pieces of the network check: block format and reply assembly, the trace log, the test
// host file and the numbers read from texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diagnostics/check_host.h"
#include "diagnostics/check_log.h"
#include "diagnostics/check_parsing.h"
#include "diagnostics/test_block.h"
#include "support/temp_dir.h"

namespace talvesso {
namespace {

TEST(TestBlock, RequestIsTextZeroAndFillerOfExactlyOneBlock) {
  std::string block = MakeTestBlock("?Speed Test 12");
  ASSERT_EQ(block.size(), kTestBlockSize);
  EXPECT_EQ(block.substr(0, 14), "?Speed Test 12");
  EXPECT_EQ(block.find_first_not_of('\0', 14), std::string::npos);
  // A text that fills the block is cut so the terminating zero still fits.
  std::string longBlock = MakeTestBlock(std::string(5000, 'x'));
  ASSERT_EQ(longBlock.size(), kTestBlockSize);
  EXPECT_EQ(longBlock.back(), '\0');
  EXPECT_EQ(TestBlockText(longBlock), std::string(kTestBlockSize - 1, 'x'));
}

TEST(TestBlock, TextEndsAtFirstZeroOrTakesTheWholeBlock) {
  std::string block = MakeTestBlock("!IP Test Ok");
  block.replace(20, 5, "junk!");  // filler after the zero has no meaning
  EXPECT_EQ(TestBlockText(block), "!IP Test Ok");
  EXPECT_EQ(TestBlockText(std::string(kTestBlockSize, 'a')).size(), kTestBlockSize);
}

TEST(ReplyAssembler, PiecesMakeOneBlockAndBytesBehindItBeginTheNextReply) {
  TReplyAssembler assembler;
  std::string first = MakeTestBlock("!Speed Test 30");
  std::string second = MakeTestBlock("!IP Test Ok");
  std::string stream = first + second;

  assembler.ExpectReply();
  EXPECT_EQ(assembler.Feed(stream.substr(0, 1000)), 1000u);
  EXPECT_FALSE(assembler.Complete());
  EXPECT_EQ(assembler.Wanted(), kTestBlockSize - 1000);
  // Everything else arrives at once: only the rest of the first block is taken.
  std::string rest = stream.substr(1000);
  size_t taken = assembler.Feed(rest);
  EXPECT_EQ(taken, kTestBlockSize - 1000);
  ASSERT_TRUE(assembler.Complete());
  EXPECT_EQ(assembler.LastText(), "!Speed Test 30");
  EXPECT_EQ(assembler.Fill(), 0u);

  assembler.ExpectReply();
  EXPECT_EQ(assembler.Feed(rest.substr(taken)), kTestBlockSize);
  ASSERT_TRUE(assembler.Complete());
  EXPECT_EQ(assembler.LastText(), "!IP Test Ok");
}

TEST(ReplyAssembler, ResetDropsAPartBlockOfALostConnection) {
  TReplyAssembler assembler;
  assembler.Feed("!Spe");
  assembler.Reset();
  assembler.ExpectReply();
  assembler.Feed(MakeTestBlock("!IP Test Ok"));
  ASSERT_TRUE(assembler.Complete());
  EXPECT_EQ(assembler.LastText(), "!IP Test Ok");
}

TEST(CheckLog, KeepsTheNewestHundredLinesOldestGoFirst) {
  TCheckLog log;
  std::vector<std::string> seen;
  log.SetObserver([&](const std::string& line) { seen.push_back(line); });
  for (int i = 1; i <= 250; ++i) {
    log.Append("line " + std::to_string(i));
    ASSERT_LE(log.Lines().size(), TCheckLog::kMaxLines);
  }
  auto lines = log.Lines();
  ASSERT_EQ(lines.size(), 100u);
  EXPECT_EQ(lines.front(), "line 151");
  EXPECT_EQ(lines.back(), "line 250");
  EXPECT_EQ(seen.size(), 250u);
}

TEST(CheckHost, LineOfTheFile) {
  struct TCase {
    const char* Line;
    const char* Host;
    int Port;
  };
  const TCase cases[] = {
      {"", kDefaultCheckHost, 3673},
      {"   \r", kDefaultCheckHost, 3673},
      {"test.example.org", "test.example.org", 3673},
      {"127.0.0.1:4100\r", "127.0.0.1", 4100},
      {" localhost : 5000 ", "localhost", 5000},
      {"127.0.0.1:0", "127.0.0.1", 3673},
      {"127.0.0.1:70000", "127.0.0.1", 3673},
      {"127.0.0.1:abc", "127.0.0.1", 3673},
      {":4100", kDefaultCheckHost, 4100},
      {"[::1]:4100", "::1", 4100},
      {"::1", "::1", 3673},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    TCheckHost host = ParseCheckHost(c.Line);
    EXPECT_EQ(host.Host, c.Host);
    EXPECT_EQ(host.Port, c.Port);
  }
}

TEST(CheckHost, ReadsOnlyTheFirstLineOfTheFileInTheProgramFolder) {
  test::TTempDir dir;
  TCheckHost none = ReadCheckHost(dir.Folder());
  EXPECT_EQ(none.Host, kDefaultCheckHost);
  EXPECT_EQ(none.Port, kCheckServerPort);

  dir.WriteFile("chk_addr.cfg", "127.0.0.1:4555\r\nother.example.org\r\n");
  TCheckHost host = ReadCheckHost(dir.Folder());
  EXPECT_EQ(host.Host, "127.0.0.1");
  EXPECT_EQ(host.Port, 4555);
}

TEST(CheckParsing, PortTextFallsBackTo4098) {
  struct TCase {
    const char* Text;
    int Port;
  };
  const TCase cases[] = {{"3673", 3673},          {"  8000", 8000}, {"+80", 80},   {"1", 1},
                         {"65535", 65535},        {"", 4098},       {"abc", 4098}, {"80a", 4098},
                         {"80 ", 4098},           {"0", 4098},      {"-1", 4098},  {"65536", 4098},
                         {"99999999999999", 4098}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(CheckPortNumber(c.Text), c.Port);
  }
}

TEST(CheckParsing, SpeedFigureIsCharactersTwelveToTwentyOne) {
  EXPECT_EQ(SpeedFigure("!Speed Test 30"), " 30");
  EXPECT_EQ(SpeedFigure("!Speed Test1234567890123"), "1234567890");
  EXPECT_EQ(SpeedFigure("!Speed Test"), "");
  EXPECT_EQ(SpeedFigure(""), "");
}

TEST(CheckParsing, SpeedTargetIsADecimalIntegerOrZero) {
  struct TCase {
    const char* Figure;
    int32_t Target;
  };
  const TCase cases[] = {{" 30", 30},
                         {"30", 30},
                         {"     12345", 12345},
                         {"-5", -5},
                         {"", 0},
                         {"   ", 0},
                         {"30 ", 0},
                         {"3x", 0},
                         {"abc", 0},
                         {"2147483647", 2147483647},
                         {"9999999999", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Figure);
    EXPECT_EQ(SpeedTargetFromFigure(c.Figure), c.Target);
  }
}

}  // namespace
}  // namespace talvesso
