// Harness of the scan benchmark.
//   catalogue_bench maketree DIR FOLDERS FILES   builds a test tree (names partly Korean)
//   catalogue_bench scan DIR OUTFOLDER            one catalogue run over DIR registered as a
//                                                 shared folder: walk + write, no upload
// "scan" prints one line: wall milliseconds, entries, catalogue bytes, peak resident memory.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "catalogue/catalogue_run.h"
#include "catalogue/catalogue_writer.h"
#include "common/tick.h"

namespace {

using namespace talvesso;

// Every third folder and file has a Korean name; sizes vary and take no disk space.
int MakeTree(const std::string& root, int folders, int files) {
  namespace fs = std::filesystem;
  constexpr int kTopFolders = 200;
  const int subPerTop = folders / kTopFolders - 1;  // the top folders count too
  const int filesPerFolder = files / folders;
  int fileNo = 0, folderNo = 0;
  char name[128];
  auto makeFiles = [&](const fs::path& folder) {
    for (int i = 0; i < filesPerFolder; ++i, ++fileNo) {
      if (fileNo % 3 == 0)
        std::snprintf(name, sizeof name, "문서_%06d.txt", fileNo);
      else
        std::snprintf(name, sizeof name, "file_%06d.dat", fileNo);
      const int fd = ::open((folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 || ::ftruncate(fd, (fileNo * 7919LL) % 5'000'000) != 0) return false;
      ::close(fd);
    }
    return true;
  };
  auto folderName = [&](const char* ascii) {
    if (folderNo % 3 == 0)
      std::snprintf(name, sizeof name, "자료_%05d", folderNo);
    else
      std::snprintf(name, sizeof name, "%s_%05d", ascii, folderNo);
    ++folderNo;
    return std::string(name);
  };
  fs::create_directories(root);
  for (int t = 0; t < kTopFolders; ++t) {
    const fs::path top = fs::path(root) / folderName("top");
    fs::create_directory(top);
    if (!makeFiles(top)) return 1;
    for (int s = 0; s < subPerTop; ++s) {
      const fs::path sub = top / folderName("folder");
      fs::create_directory(sub);
      if (!makeFiles(sub)) return 1;
    }
  }
  std::printf("made %d folders and %d files under %s\n", folderNo, fileNo, root.c_str());
  return 0;
}

int Scan(const std::string& root, const std::string& outFolder) {
  std::filesystem::create_directories(outFolder);
  TShareFolderNodeData share;
  share.PNo = 1;
  share.Path = root;
  share.Name = "bench";
  share.Use = 1;
  share.Search = 1;
  TScanOptions options;
  options.StartTick = TickCount32();
  const auto started = std::chrono::steady_clock::now();
  const std::string file = outFolder + "/" + kCatalogueFileName;
  const TCatalogueBuild build = BuildCatalogueFile({share}, file, options);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  struct stat info {};
  ::stat(file.c_str(), &info);
  const long long entries =
      static_cast<long long>(build.Counters.FolderCount) + build.Counters.FileCount;
  std::printf("ms=%.1f entries=%lld bytes=%lld maxrss_kb=%ld written=%d\n", ms, entries,
              static_cast<long long>(info.st_size), usage.ru_maxrss, build.Written ? 1 : 0);
  return build.Written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "maketree" && argc == 5)
    return MakeTree(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  if (mode == "scan" && argc == 4) return Scan(argv[2], argv[3]);
  std::fprintf(stderr,
               "usage: catalogue_bench maketree DIR FOLDERS FILES\n"
               "       catalogue_bench scan DIR OUTFOLDER\n");
  return 2;
}
