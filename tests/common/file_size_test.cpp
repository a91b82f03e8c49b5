#include "common/file_size.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace talvesso {
namespace {

std::string Utf8(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(QueryFileSize, ReadsTheSizeOfAFile) {
  test::TTempDir dir;
  EXPECT_EQ(QueryFileSize(Utf8(dir.WriteFile("empty.bin", ""))), 0);
  EXPECT_EQ(QueryFileSize(Utf8(dir.WriteFile("hello.txt", "hello"))), 5);
  EXPECT_EQ(QueryFileSize(Utf8(dir.WriteFile("폴더/영화.avi", std::string(70000, 'x')))), 70000);
}

TEST(QueryFileSize, FilesOverFourGibibytesKeepTheirHighBits) {
  test::TTempDir dir;
  const auto path = dir.Path() / "sparse.bin";
  const int64_t size = (int64_t{5} << 30) + 123;  // 5 GiB and a bit; sparse, so no disk used
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
  EXPECT_EQ(QueryFileSize(Utf8(path)), size);
}

TEST(QueryFileSize, MissingFolderAndBadNamesGiveZero) {
  test::TTempDir dir;
  dir.WriteFile("sub/file.txt", "content");
  const std::string base = Utf8(dir.Path());
  for (const std::string& path :
       {base + "/missing.txt", base + "/nowhere/file.txt", base + "/sub", base, std::string(),
        base + "/sub/file.txt/deeper", base + "/sub/file.txt" + std::string(1, '\0') + "x"})
    EXPECT_EQ(QueryFileSize(path), 0) << path;
}

}  // namespace
}  // namespace talvesso
