#include "catalogue/catalogue_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/cp949.h"
#include "support/temp_dir.h"

namespace talvesso {
namespace {

std::string Cp949(const std::string& utf8) { return Utf8ToCp949(utf8).value(); }

// A catalogue built by hand in walk order.
struct TCatalogueBuilder {
  TCatalogue Catalogue;
  int32_t Share(int32_t use = 1, int32_t adult = 0, int32_t search = 1) {
    Catalogue.Shares.push_back({use, adult, search});
    return static_cast<int32_t>(Catalogue.Shares.size() - 1);
  }
  int32_t Top(const std::string& path, const std::string& name, int32_t share) {
    return Catalogue.AddFolder(path, name, -1, share);
  }
  int32_t Sub(int32_t parent, const std::string& name) {
    const auto& p = Catalogue.Folders[parent];
    return Catalogue.AddFolder(p.Path + name + "/", name, parent, p.Share);
  }
  void File(int32_t folder, const std::string& name, int64_t size) {
    Catalogue.AddFile(folder, name, size);
  }
};

TEST(CatalogueWriter, WorkedExampleByteForByte) {
  // D:\Share shared as 자료; the listing returns a.txt (10), b (holding c.txt, 20), d.txt (5).
  TCatalogueBuilder b;
  const int32_t share = b.Share();
  const int32_t top = b.Top("D:\\Share\\", Cp949("자료"), share);
  b.File(top, "a.txt", 10);
  const int32_t sub = b.Catalogue.AddFolder("D:\\Share\\b\\", "b", top, share);
  b.File(sub, "c.txt", 20);
  b.File(top, "d.txt", 5);

  const std::string expected = Cp949(
      "1||0||1||D:\\Share\\||자료||15||0||1||1\r\n"
      "3||1||1||D:\\Share\\b\\||b||20||0||1||1\r\n"
      "2||1||0||||a.txt||10||0||1||1\r\n"
      "4||3||0||||c.txt||20||0||1||1\r\n"
      "5||1||0||||d.txt||5||0||1||1\r\n");
  EXPECT_EQ(CatalogueText(b.Catalogue), expected);
}

TEST(CatalogueWriter, NestedSharesNameTheLaterFolderLine) {
  // /x/y is shared first, then /x: /x/y and its file appear twice.
  TCatalogueBuilder b;
  const int32_t inner = b.Top("/x/y/", "Y", b.Share());
  b.File(inner, "f", 1);
  const int32_t outer = b.Top("/x/", "X", b.Share(0, 1, 0));
  const int32_t again = b.Sub(outer, "y");
  b.File(again, "f", 1);

  EXPECT_EQ(CatalogueText(b.Catalogue),
            "1||0||1||/x/y/||Y||1||0||1||1\r\n"
            // The top of the second share finds no "/" line and gets 0.
            "3||0||1||/x/||X||0||1||0||0\r\n"
            // Found through the table: "/x/" is line 3.
            "4||3||1||/x/y/||y||1||1||0||0\r\n"
            // Both files name line 4, the later of the two lines for "/x/y/".
            "2||4||0||||f||1||0||1||1\r\n"
            "5||4||0||||f||1||1||0||0\r\n");
}

TEST(CatalogueWriter, TopFolderUnderAnotherShareFindsItsParent) {
  // /x shared first, then /x/y: the second share's top line names /x's line.
  TCatalogueBuilder b;
  b.Top("/x/", "X", b.Share());
  b.Top("/x/y/", "Y", b.Share());
  EXPECT_EQ(CatalogueText(b.Catalogue),
            "1||0||1||/x/||X||0||0||1||1\r\n"
            "2||1||1||/x/y/||Y||0||0||1||1\r\n");
}

TEST(CatalogueWriter, RootShareKeepsTheDoubledSeparator) {
  // A share registered as "/" gets "//" (the separator is appended unchanged).
  TCatalogueBuilder b;
  const int32_t top = b.Top("//", "", b.Share());
  const int32_t bin = b.Sub(top, "bin");
  b.File(bin, "ls", 100);
  EXPECT_EQ(CatalogueText(b.Catalogue),
            "1||0||1||//||||0||0||1||1\r\n"
            "2||1||1||//bin/||bin||100||0||1||1\r\n"
            "3||2||0||||ls||100||0||1||1\r\n");
}

TEST(CatalogueWriter, NoEntriesGiveAnEmptyFile) { EXPECT_EQ(CatalogueText(TCatalogue{}), ""); }

TEST(CatalogueWriter, SizesAreFull64BitAndNamesUnescaped) {
  TCatalogueBuilder b;
  const int32_t top = b.Top("/s/", "a|b", b.Share());  // a share name may hold "|"
  b.File(top, "big.iso", 5'000'000'000);
  b.File(top, "big2.iso", 5'000'000'000);
  EXPECT_EQ(CatalogueText(b.Catalogue),
            "1||0||1||/s/||a|b||10000000000||0||1||1\r\n"
            "2||1||0||||big.iso||5000000000||0||1||1\r\n"
            "3||1||0||||big2.iso||5000000000||0||1||1\r\n");
}

TEST(CatalogueWriter, LargeCatalogueStreamsInPiecesAndStaysWhole) {
  TCatalogueBuilder b;
  const int32_t top = b.Top("/s/", "S", b.Share());
  for (int i = 0; i < 60'000; ++i) b.File(top, "file-" + std::to_string(i) + ".dat", i);
  int pieces = 0;
  std::string streamed;
  ASSERT_TRUE(WriteCatalogueText(b.Catalogue, [&](std::string_view piece) {
    ++pieces;
    streamed.append(piece);
    return true;
  }));
  EXPECT_GT(pieces, 1);
  EXPECT_EQ(streamed, CatalogueText(b.Catalogue));
  EXPECT_NE(streamed.find("\r\n60001||1||0||||file-59999.dat||59999||0||1||1\r\n"),
            std::string::npos);
  EXPECT_FALSE(WriteCatalogueText(b.Catalogue, [](std::string_view) { return false; }));
}

TEST(CatalogueWriter, FileIsReplacedWholeAndAFailedWriteKeepsTheOld) {
  test::TTempDir dir;
  const auto file = dir.Path() / "fshare.txt";
  dir.WriteFile("fshare.txt", "old catalogue\r\n");

  TCatalogueBuilder b;
  b.Top("/s/", "S", b.Share());
  ASSERT_TRUE(WriteCatalogueFile(b.Catalogue, file.string()));
  EXPECT_EQ(test::ReadWholeFile(file), "1||0||1||/s/||S||0||0||1||1\r\n");
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".tmp"));

  // The temporary file cannot be created (a folder stands in its place): the old file stays.
  std::filesystem::create_directory(file.string() + ".tmp");
  TCatalogueBuilder other;
  other.Top("/t/", "T", other.Share());
  EXPECT_FALSE(WriteCatalogueFile(other.Catalogue, file.string()));
  EXPECT_EQ(test::ReadWholeFile(file), "1||0||1||/s/||S||0||0||1||1\r\n");
}

}  // namespace
}  // namespace talvesso
