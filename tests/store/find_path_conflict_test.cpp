#include <gtest/gtest.h>

#include "store/share_folder_store.h"

namespace talvesso {
namespace {

TFolderList Registered(std::initializer_list<std::pair<int32_t, const char*>> rows) {
  TFolderList list;
  for (const auto& [pno, path] : rows) {
    TShareFolderNodeData record;
    record.PNo = pno;
    record.Path = path;
    list.push_back(record);
  }
  return list;
}

struct TConflictCase {
  const char* Registered;
  const char* Wanted;
  bool Conflicts;
};

void ExpectCases(TPathStyle style, std::initializer_list<TConflictCase> cases) {
  for (const auto& c : cases) {
    const TFolderList folders = Registered({{7, c.Registered}});
    EXPECT_EQ(FindPathConflict(folders, 0, c.Wanted, style), c.Conflicts ? 7 : -1)
        << "registered \"" << c.Registered << "\", wanted \"" << c.Wanted << "\"";
  }
}

TEST(FindPathConflict, PosixComparesWholeComponentsExactly) {
  ExpectCases(TPathStyle::Posix, {
                                     {"/srv/data", "/srv/data", true},
                                     {"/srv/data", "/srv/data/", true},
                                     {"/srv/data/", "/srv/data", true},
                                     {"/srv/data", "/srv//data", true},
                                     {"/srv/data", "/srv/data/movies", true},
                                     {"/srv/data", "/srv/data2", false},
                                     {"/srv/data", "/srv/dat", false},
                                     {"/srv/data", "/srv", false},  // a parent is accepted
                                     {"/srv", "/", false},
                                     {"/", "/srv/x", true},  // a registered root holds all
                                     {"/", "/", true},
                                     {"/srv/data", "/SRV/DATA", false},  // case matters here
                                     {"/srv/data", "srv/data", false},
                                     {"/srv/data", "/other/srv/data", false},
                                     {"/srv/영화", "/srv/영화/2024", true},
                                     {"/srv/data", "", false},
                                 });
}

TEST(FindPathConflict, WindowsIgnoresTheCaseOfAsciiLettersAndTakesBothSeparators) {
  ExpectCases(TPathStyle::Windows, {
                                       {"C:\\Data", "C:\\Data", true},
                                       {"C:\\Data", "C:\\Data\\Movies", true},
                                       {"C:\\Data", "c:\\data\\x", true},
                                       {"C:\\Data", "C:/Data/x", true},
                                       {"C:\\Data", "C:\\Data2", false},
                                       {"C:\\Data", "C:\\", false},
                                       {"D:\\", "D:\\Movies", true},
                                       {"D:\\", "d:", true},
                                       {"C:\\Data", "D:\\Data", false},
                                       {"C:\\Ä", "C:\\ä", false},  // only A to Z fold
                                   });
}

TEST(FindPathConflict, NativeStyleIsPosixOnThisPlatform) {
  const TFolderList folders = Registered({{3, "/srv/Data"}});
  EXPECT_EQ(FindPathConflict(folders, 0, "/srv/Data/x"), 3);
  EXPECT_EQ(FindPathConflict(folders, 0, "/srv/data/x"), -1);
}

TEST(FindPathConflict, SkipsItsOwnRowAndEmptyPathsAndGivesTheFirstMatch) {
  const TFolderList folders = Registered({{1, ""}, {2, "/srv/data"}, {3, "/srv"}, {4, "/"}});
  EXPECT_EQ(FindPathConflict(folders, 0, "/srv/data/x", TPathStyle::Posix), 2);
  EXPECT_EQ(FindPathConflict(folders, 2, "/srv/data/x", TPathStyle::Posix), 3);
  EXPECT_EQ(FindPathConflict(folders, 0, "/home", TPathStyle::Posix), 4);

  // Changing only the switches of a registered folder: its own row does not count.
  const TFolderList one = Registered({{5, "/srv/data"}});
  EXPECT_EQ(FindPathConflict(one, 5, "/srv/data", TPathStyle::Posix), -1);
  EXPECT_EQ(FindPathConflict(one, 0, "/srv/data", TPathStyle::Posix), 5);
  EXPECT_EQ(FindPathConflict({}, 0, "/srv/data", TPathStyle::Posix), -1);
}

}  // namespace
}  // namespace talvesso
