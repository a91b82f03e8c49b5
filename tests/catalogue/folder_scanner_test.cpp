#include "catalogue/folder_scanner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "catalogue/catalogue_run.h"
#include "common/cp949.h"
#include "scan_tree.h"
#include "support/temp_dir.h"

namespace talvesso {
namespace {

namespace fs = std::filesystem;
using test::TCatalogueLine;

std::string Cp949(const std::string& utf8) { return Utf8ToCp949(utf8).value(); }

class FolderScan : public ::testing::Test {
 protected:
  TShareFolderNodeData Share(int32_t pno, const fs::path& path, const std::string& name,
                             int32_t use = 1, int32_t adult = 0, int32_t search = 1) {
    TShareFolderNodeData record;
    record.PNo = pno;
    record.Path = path.string();
    record.Name = name;
    record.Use = use;
    record.Adult = adult;
    record.Search = search;
    fs::create_directories(path);
    return record;
  }
  fs::path CatalogueFile() const { return Dir.Path() / "fshare.txt"; }
  TCatalogueBuild Build(const TFolderList& folders, const TScanOptions& options = {}) {
    return BuildCatalogueFile(folders, CatalogueFile().string(), options);
  }
  std::string Text() const { return test::ReadWholeFile(CatalogueFile()); }
  std::vector<TCatalogueLine> Lines() const { return test::ParseCatalogue(Text()); }
  fs::path Folder(const std::string& relative) const {
    fs::create_directories(Dir.Path() / relative);
    return Dir.Path() / relative;
  }

  test::TTempDir Dir;
};

int64_t SizeOf(const TCatalogueBuild& build, int32_t pno) {
  for (const auto& measured : build.MeasuredSizes)
    if (measured.PNo == pno) return measured.Size;
  return -1;
}

TEST_F(FolderScan, WorkedExampleInTheListingOrder) {
  const fs::path share = Folder("Share");
  Dir.WriteFile("Share/a.txt", std::string(10, 'a'));
  Dir.WriteFile("Share/b/c.txt", std::string(20, 'c'));
  Dir.WriteFile("Share/d.txt", std::string(5, 'd'));

  const TCatalogueBuild build = Build({Share(7, share, "자료")});
  ASSERT_TRUE(build.Written);
  EXPECT_EQ(SizeOf(build, 7), 35);

  // The walk keeps the system's listing order (no sorting); number the entries the same way.
  const std::string top = share.string() + "/";
  std::string folderLines = "1||0||1||" + top + "||" + Cp949("자료") + "||15||0||1||1\r\n";
  std::string fileLines;
  int position = 1;
  for (const auto& name : test::ListingOrder(share)) {
    if (name == "b") {
      const int b = ++position, c = ++position;
      folderLines += std::to_string(b) + "||1||1||" + top + "b/||b||20||0||1||1\r\n";
      fileLines += std::to_string(c) + "||" + std::to_string(b) + "||0||||c.txt||20||0||1||1\r\n";
    } else {
      fileLines += std::to_string(++position) + "||1||0||||" + name + "||" +
                   (name == "a.txt" ? "10" : "5") + "||0||1||1\r\n";
    }
  }
  EXPECT_EQ(Text(), folderLines + fileLines);
}

TEST_F(FolderScan, DotFoldersAndLinksAreFileLinesThatAreNeverEntered) {
  const fs::path share = Folder("s");
  Dir.WriteFile("s/.hidden/inside.txt", "secret");
  Dir.WriteFile("s/.profile", "1234567");  // hidden files are listed
  Dir.WriteFile("s/real/r.txt", "abc");
  test::MakeSymlink("real", share / "to_folder");
  test::MakeSymlink("real/r.txt", share / "to_file");
  test::MakeSymlink("..", share / "up");
  test::MakeSymlink("loop", share / "loop");
  test::MakeSymlink("ring_b", share / "ring_a");
  test::MakeSymlink("ring_a", share / "ring_b");
  test::MakeSymlink("nowhere", share / "dangling");
  ASSERT_EQ(::mkfifo((share / "pipe").c_str(), 0644), 0);

  const TCatalogueBuild build = Build({Share(1, share, "S")});
  ASSERT_TRUE(build.Written);
  const auto lines = Lines();

  const struct {
    const char* Name;
    int64_t Size;
  } files[] = {{".hidden", 0},  {".profile", 7}, {"to_folder", 0}, {"to_file", 3},
               {"up", 0},       {"loop", 0},     {"ring_a", 0},    {"ring_b", 0},
               {"dangling", 0}, {"pipe", 0},     {"r.txt", 3}};
  for (const auto& f : files) {
    const auto found = test::LinesNamed(lines, f.Name);
    ASSERT_EQ(found.size(), 1u) << f.Name;
    EXPECT_EQ(found[0]->Type, 0) << f.Name;
    EXPECT_EQ(found[0]->Size, f.Size) << f.Name;
  }
  // Only the share and "real" were entered.
  EXPECT_TRUE(test::LinesNamed(lines, "inside.txt").empty());
  EXPECT_EQ(lines.size(), std::size(files) + 2);
  EXPECT_EQ(build.Counters.FolderCount, 2);
  EXPECT_EQ(build.Counters.FileCount, static_cast<int32_t>(std::size(files)));
  EXPECT_EQ(SizeOf(build, 1), 7 + 3 + 3);
}

TEST_F(FolderScan, NestedSharesListInnerFilesTwiceUnderTheLaterFolderLine) {
  const fs::path outer = Folder("x");
  const fs::path inner = Folder("x/y");
  Dir.WriteFile("x/y/f.txt", "12345");
  Dir.WriteFile("x/g.txt", "1");

  const TCatalogueBuild build = Build({Share(1, inner, "Y"), Share(2, outer, "X")});
  EXPECT_EQ(SizeOf(build, 1), 5);
  EXPECT_EQ(SizeOf(build, 2), 6);
  const auto lines = Lines();
  const std::string innerPath = inner.string() + "/";
  std::vector<int64_t> innerLines;
  for (const auto& line : lines)
    if (line.Type == 1 && line.Path == innerPath) innerLines.push_back(line.No);
  ASSERT_EQ(innerLines.size(), 2u);
  const int64_t later = std::max(innerLines[0], innerLines[1]);
  const auto copies = test::LinesNamed(lines, "f.txt");
  ASSERT_EQ(copies.size(), 2u);
  EXPECT_EQ(copies[0]->Parent, later);
  EXPECT_EQ(copies[1]->Parent, later);
  EXPECT_NE(copies[0]->No, copies[1]->No);
}

TEST_F(FolderScan, ShareEndingInASeparatorLikeARootKeepsTheDoubledSeparator) {
  const fs::path share = Folder("root");
  Dir.WriteFile("root/sub/f", "xy");
  TShareFolderNodeData record = Share(1, share, "");
  record.Path += "/";  // as a root ("/") is registered
  const TCatalogueBuild build = Build({record});
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].Path, share.string() + "//");
  EXPECT_EQ(lines[0].Parent, 0);
  EXPECT_EQ(lines[0].Name, "");  // last component of a path ending in a separator
  EXPECT_EQ(lines[1].Path, share.string() + "//sub/");
  EXPECT_EQ(lines[1].Parent, lines[0].No);
  EXPECT_EQ(lines[2].Parent, lines[1].No);
  EXPECT_EQ(SizeOf(build, 1), 2);
}

TEST_F(FolderScan, FolderOverFourGiBKeepsFullSizes) {
  const fs::path share = Folder("big");
  constexpr int64_t kThreeGiB = 3LL << 30;
  test::MakeSparseFile(share / "one.bin", kThreeGiB);
  test::MakeSparseFile(share / "deeper" / "two.bin", kThreeGiB + 1);

  const TCatalogueBuild build = Build({Share(1, share, "Big")});
  EXPECT_EQ(SizeOf(build, 1), 2 * kThreeGiB + 1);  // the whole tree for the registered folder
  const auto lines = Lines();
  EXPECT_EQ(test::LinesNamed(lines, "Big")[0]->Size, kThreeGiB);  // direct files only
  EXPECT_EQ(test::LinesNamed(lines, "deeper")[0]->Size, kThreeGiB + 1);
  EXPECT_EQ(test::LinesNamed(lines, "two.bin")[0]->Size, kThreeGiB + 1);
  EXPECT_EQ(build.Counters.TotalSize, 2 * kThreeGiB + 1);
}

TEST_F(FolderScan, NamesTheCatalogueCannotCarryAreLeftOutWithTheirSubtree) {
  const fs::path share = Folder("n");
  Dir.WriteFile("n/ok.txt", "1");
  Dir.WriteFile("n/자료.txt", "22");
  Dir.WriteFile("n/smile\xF0\x9F\x98\x80.txt", "333");  // no CP949 form
  Dir.WriteFile("n/latin1-\xFF.bin", "4444");           // not valid UTF-8
  Dir.WriteFile("n/pipe|name", "55555");                // would break the line format
  Dir.WriteFile("n/line\nbreak", "666666");
  Dir.WriteFile("n/dir\xF0\x9F\x98\x80/inside.txt", "7");  // a folder: its subtree goes too
  Dir.WriteFile("n/dir\xF0\x9F\x98\x80/deeper/more.txt", "8");

  const TCatalogueBuild build = Build({Share(1, share, "N")});
  ASSERT_TRUE(build.Written);  // the run still succeeds
  EXPECT_EQ(build.Counters.LeftOutCount, 5);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(test::LinesNamed(lines, "ok.txt").size(), 1u);
  const auto korean = test::LinesNamed(lines, Cp949("자료.txt"));
  ASSERT_EQ(korean.size(), 1u);
  EXPECT_EQ(korean[0]->Size, 2);
  EXPECT_EQ(lines[0].Size, 3);  // the left-out files are not counted either
  EXPECT_EQ(SizeOf(build, 1), 3);
}

TEST_F(FolderScan, PausedEmptyAndMissingShares) {
  const fs::path paused = Folder("paused");
  Dir.WriteFile("paused/sub/f", "abcd");
  const fs::path empty = Folder("empty");
  TShareFolderNodeData missing;
  missing.PNo = 3;
  missing.Path = (Dir.Path() / "gone").string();
  missing.Size = 77;

  const TCatalogueBuild build = Build({Share(1, paused, "", /*use*/ 0, /*adult*/ 1, /*search*/ 0),
                                       missing, Share(4, empty, "비어 있음")});
  EXPECT_EQ(SizeOf(build, 1), 4);
  EXPECT_EQ(SizeOf(build, 3), -1);  // skipped: not measured, its size stays
  EXPECT_EQ(SizeOf(build, 4), 0);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  // A paused share is scanned, and each of its lines says so.
  for (int i : {0, 1, 3}) {
    EXPECT_EQ(lines[i].Use, 0) << i;
    EXPECT_EQ(lines[i].Adult, 1) << i;
    EXPECT_EQ(lines[i].Search, 0) << i;
  }
  EXPECT_EQ(lines[0].Name, "paused");  // no share name: the folder's own name
  // The empty share is exactly one folder line with size 0.
  EXPECT_EQ(lines[2].Name, Cp949("비어 있음"));
  EXPECT_EQ(lines[2].Path, empty.string() + "/");
  EXPECT_EQ(lines[2].Size, 0);
  EXPECT_EQ(lines[2].Use, 1);
}

TEST_F(FolderScan, UnreadableFolderKeepsItsLine) {
  const fs::path share = Folder("u");
  Dir.WriteFile("u/locked/f", "1");
  Dir.WriteFile("u/open.txt", "22");
  fs::permissions(share / "locked", fs::perms::none);
  const fs::path out = Folder("out");
  fs::permissions(out, fs::perms::all);
  const TFolderList folders{Share(1, share, "U")};
  const std::string file = (out / "fshare.txt").string();

  // Permissions do not bind root: then the walk runs in a child that drops to "nobody".
  int64_t measured = -1;
  if (::geteuid() == 0) {
    int sizePipe[2];
    ASSERT_EQ(::pipe(sizePipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
      const TCatalogueBuild build = BuildCatalogueFile(folders, file, {});
      const int64_t size = build.MeasuredSizes.empty() ? -1 : build.MeasuredSizes[0].Size;
      ::_exit(::write(sizePipe[1], &size, sizeof size) == sizeof size && build.Written ? 0 : 1);
    }
    ::close(sizePipe[1]);
    ASSERT_EQ(::read(sizePipe[0], &measured, sizeof measured), ssize_t{sizeof measured});
    ::close(sizePipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  } else {
    const TCatalogueBuild build = BuildCatalogueFile(folders, file, {});
    measured = SizeOf(build, 1);
  }
  fs::permissions(share / "locked", fs::perms::owner_all);

  const auto lines = test::ParseCatalogue(test::ReadWholeFile(file));
  ASSERT_EQ(lines.size(), 3u);
  const auto locked = test::LinesNamed(lines, "locked");
  ASSERT_EQ(locked.size(), 1u);
  EXPECT_EQ(locked[0]->Type, 1);
  EXPECT_EQ(locked[0]->Size, 0);
  EXPECT_EQ(measured, 2);
}

TEST_F(FolderScan, ProgressComesOnEnteringSubfoldersAndIsThrottled) {
  const fs::path share = Folder("p");
  for (const char* sub : {"one", "two", "three"})
    for (int i = 0; i < 40; ++i)
      Dir.WriteFile(std::string("p/") + sub + "/" + std::to_string(i), "x");

  for (const uint32_t interval : {0u, 3'600'000u}) {
    std::vector<TScanProgress> reports;
    TScanOptions options;
    options.ProgressIntervalMs = interval;
    options.OnProgress = [&](const TScanProgress& p) { reports.push_back(p); };
    Build({Share(1, share, "P")}, options);
    // One report per subfolder entered (or only the first within the interval), then the
    // final one with the end counters; never one per file.
    ASSERT_EQ(reports.size(), interval == 0 ? 4u : 2u) << interval;
    EXPECT_TRUE(reports[0].FolderName == "one" || reports[0].FolderName == "two" ||
                reports[0].FolderName == "three");
    EXPECT_EQ(reports[0].Counters.FolderCount, 1);  // before the subfolder's own entry
    EXPECT_EQ(reports.back().FolderName, "");
    EXPECT_EQ(reports.back().Counters.FolderCount, 4);
    EXPECT_EQ(reports.back().Counters.FileCount, 120);
    EXPECT_EQ(reports.back().Counters.TotalSize, 120);
  }
}

TEST_F(FolderScan, StopDuringTheWalkKeepsTheOldFile) {
  const fs::path first = Folder("first");
  Dir.WriteFile("first/f", "12");
  const fs::path second = Folder("second");
  for (int i = 0; i < 20; ++i) Dir.WriteFile("second/d" + std::to_string(i) + "/f", "1");
  Dir.WriteFile("fshare.txt", "previous\r\n");

  std::atomic<bool> stop{false};
  TScanOptions options;
  options.StopRequested = &stop;
  options.ProgressIntervalMs = 0;
  options.OnProgress = [&](const TScanProgress& p) {
    if (!p.FolderName.empty()) stop = true;  // the stop button, pressed in the second share
  };
  bool walkDone = false;
  const TCatalogueBuild build =
      BuildCatalogueFile({Share(1, first, "F"), Share(2, second, "S")}, CatalogueFile().string(),
                         options, [&] { walkDone = true; });
  EXPECT_TRUE(build.Stopped);
  EXPECT_FALSE(build.Written);
  EXPECT_FALSE(walkDone);
  EXPECT_EQ(Text(), "previous\r\n");
  EXPECT_FALSE(fs::exists(CatalogueFile().string() + ".tmp"));
  EXPECT_EQ(SizeOf(build, 1), 2);   // walked to the end before the stop
  EXPECT_EQ(SizeOf(build, 2), -1);  // cut short: not measured
  EXPECT_LT(build.Counters.FolderCount, 22);
}

}  // namespace
}  // namespace talvesso
