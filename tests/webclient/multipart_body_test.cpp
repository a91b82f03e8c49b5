#include "webclient/multipart_body.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>

#include "support/temp_dir.h"

namespace talvesso {
namespace {

std::string ReadAll(TMultipartBody& body, size_t chunk) {
  std::string out;
  std::string buffer(chunk, '\0');
  for (;;) {
    int64_t n = body.Read(buffer.data(), buffer.size());
    if (n <= 0) {
      EXPECT_EQ(n, 0);
      return out;
    }
    out.append(buffer.data(), static_cast<size_t>(n));
  }
}

TEST(MultipartBody, BoundaryIsMonthDayYearThenTimeToTheMillisecond) {
  std::tm local{};
  local.tm_year = 2012 - 1900;
  local.tm_mon = 8;  // September
  local.tm_mday = 26;
  local.tm_hour = 14;
  local.tm_min = 30;
  local.tm_sec = 5;
  local.tm_isdst = -1;
  auto time =
      std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(123);
  EXPECT_EQ(MakeBoundary(time), "--------092612143005123");
}

TEST(MultipartBody, SizeMatchesTheBytesReadInAnyChunking) {
  talvesso::test::TTempDir dir;
  std::string content(100000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  auto file = dir.WriteFile("data.bin", content);
  for (size_t chunk : {1, 7, 4096, 1 << 20}) {
    TMultipartBody body("--------1", "U", {"a"}, {"b"}, file.string(), file.string());
    std::string bytes = ReadAll(body, chunk);
    EXPECT_EQ(static_cast<int64_t>(bytes.size()), body.Size()) << chunk;
    EXPECT_NE(bytes.find(content), std::string::npos);
    body.Rewind();
    EXPECT_EQ(ReadAll(body, chunk), bytes) << "after rewind, chunk " << chunk;
  }
}

TEST(MultipartBody, AFileThatShrinksWhileSentFailsTheBody) {
  talvesso::test::TTempDir dir;
  auto file = dir.WriteFile("data.bin", std::string(10000, 'x'));
  TMultipartBody body("--------1", "U", {}, {}, file.string(), "");
  std::filesystem::resize_file(file, 10);
  std::string buffer(100000, '\0');
  int64_t n;
  do n = body.Read(buffer.data(), 512);
  while (n > 0);
  EXPECT_EQ(n, -1);
}

}  // namespace
}  // namespace talvesso
