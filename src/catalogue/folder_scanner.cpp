#include "catalogue/folder_scanner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "catalogue/catalogue_path.h"
#include "common/cp949.h"
#include "common/tick.h"

namespace talvesso {

namespace {

// The CP949 form in which the catalogue carries a name; false when it cannot carry it.
bool ToCatalogueName(std::string_view name, std::string& out) {
  bool ascii = true;
  for (const char c : name) {
    if (c == '|' || c == '\r' || c == '\n') return false;
    if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
  }
  if (ascii) {  // the common case costs no conversion
    out.assign(name);
    return true;
  }
  auto converted = Utf8ToCp949(name);
  if (!converted) return false;
  out = std::move(*converted);
  return true;
}

enum class TEntryKind { Folder, RegularFile, Link, Other, Unknown };

TEntryKind KindOfMode(mode_t mode) {
  if (S_ISDIR(mode)) return TEntryKind::Folder;
  if (S_ISREG(mode)) return TEntryKind::RegularFile;
  if (S_ISLNK(mode)) return TEntryKind::Link;
  return TEntryKind::Other;
}

TEntryKind KindOfEntry(const dirent& entry) {
#ifdef _DIRENT_HAVE_D_TYPE
  switch (entry.d_type) {
    case DT_DIR:
      return TEntryKind::Folder;
    case DT_REG:
      return TEntryKind::RegularFile;
    case DT_LNK:
      return TEntryKind::Link;
    case DT_UNKNOWN:
      return TEntryKind::Unknown;
    default:
      return TEntryKind::Other;
  }
#else
  return TEntryKind::Unknown;
#endif
}

// Size of a file entry: a regular file (a link's target included) has its size; a folder a
// link points to, a broken link, a link loop, a device and whatever cannot be read have 0.
int64_t FileEntrySize(int dirFd, const char* name, TEntryKind kind) {
  if (kind != TEntryKind::RegularFile && kind != TEntryKind::Link) return 0;
  struct stat info;
  const int flags = kind == TEntryKind::Link ? 0 : AT_SYMLINK_NOFOLLOW;
  if (::fstatat(dirFd, name, &info, flags) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<int64_t>(info.st_size);
}

class TFolderWalk {
 public:
  TFolderWalk(const TScanOptions& options, TScanResult& result)
      : Options_(options), Result_(result), Catalogue_(result.Catalogue) {}

  ~TFolderWalk() {
    for (auto& frame : Stack_) ::closedir(frame.Dir);
  }

  void ScanShare(const TShareFolderNodeData& record) {
    struct stat info;
    if (record.Path.empty() || ::stat(record.Path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
      return;  // no folder there: skipped, its size stays
    std::string path;
    if (!ToCatalogueName(record.Path, path)) {
      ++Result_.Counters.LeftOutCount;
      return;
    }
    // The share name is only shown, never asked for: one CP949 cannot hold is kept readable.
    std::string name =
        record.Name.empty() ? std::string(LastComponent(path)) : Utf8ToCp949Lossy(record.Name);
    Catalogue_.Shares.push_back({record.Use, record.Adult, record.Search});
    const int32_t share = static_cast<int32_t>(Catalogue_.Shares.size() - 1);

    const int64_t sizeBefore = Result_.Counters.TotalSize;
    ++Result_.Counters.FolderCount;
    path += kPathSeparator;  // appended unchanged, also to a root
    const int32_t top = Catalogue_.AddFolder(std::move(path), std::move(name), -1, share);
    const int fd = ::open(record.Path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Enter(fd, top);
    if (!WalkStack()) return;  // cut short by a stop: not measured
    Result_.MeasuredSizes.push_back(
        {record.PNo, record.Path, Result_.Counters.TotalSize - sizeBefore});
  }

  bool Stopped() const {
    return Options_.StopRequested && Options_.StopRequested->load(std::memory_order_relaxed);
  }

 private:
  struct TFrame {
    DIR* Dir;
    int32_t Folder;
  };

  // Starts listing an opened folder; one that cannot be listed keeps its entry and stays empty.
  void Enter(int fd, int32_t folder) {
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      ::close(fd);
      return;
    }
    Stack_.push_back({dir, folder});
  }

  // false when a stop cut the walk short.
  bool WalkStack() {
    while (!Stack_.empty()) {
      if (Stopped()) return false;  // the destructor closes what is still open
      const TFrame frame = Stack_.back();
      const dirent* entry = ::readdir(frame.Dir);
      if (!entry) {  // the end, or the folder vanished: keep what was found
        ::closedir(frame.Dir);
        Stack_.pop_back();
        continue;
      }
      HandleEntry(frame, *entry);
    }
    return true;
  }

  void HandleEntry(const TFrame& frame, const dirent& entry) {
    const char* rawName = entry.d_name;
    const std::string_view name(rawName);
    if (name == "." || name == "..") return;
    const int dirFd = ::dirfd(frame.Dir);
    TEntryKind kind = KindOfEntry(entry);
    if (kind == TEntryKind::Unknown) {
      struct stat info;
      kind = ::fstatat(dirFd, rawName, &info, AT_SYMLINK_NOFOLLOW) == 0 ? KindOfMode(info.st_mode)
                                                                        : TEntryKind::Other;
    }
    if (!ToCatalogueName(name, Name_)) {
      ++Result_.Counters.LeftOutCount;
      return;
    }
    // The hidden folder (a "."-name) is listed like a file and not entered.
    if (kind == TEntryKind::Folder && name.front() != '.') {
      ReportProgress(name);
      ++Result_.Counters.FolderCount;
      std::string path;
      const std::string& parentPath = Catalogue_.Folders[frame.Folder].Path;
      path.reserve(parentPath.size() + Name_.size() + 1);
      path.append(parentPath).append(Name_) += kPathSeparator;
      const int32_t folder = Catalogue_.AddFolder(std::move(path), Name_, frame.Folder,
                                                  Catalogue_.Folders[frame.Folder].Share);
      // O_NOFOLLOW: a folder swapped for a link after the listing is not followed either.
      Enter(::openat(dirFd, rawName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), folder);
      return;
    }
    const int64_t size = kind == TEntryKind::Folder ? 0 : FileEntrySize(dirFd, rawName, kind);
    ++Result_.Counters.FileCount;
    Result_.Counters.TotalSize += size;
    Catalogue_.AddFile(frame.Folder, Name_, size);
  }

  void ReportProgress(std::string_view folderName) {
    if (!Options_.OnProgress) return;
    const uint32_t now = TickCount32();
    if (Reported_ && now - LastReport_ < Options_.ProgressIntervalMs) return;
    Reported_ = true;
    LastReport_ = now;
    TScanProgress progress;
    progress.FolderName.assign(folderName);
    progress.Counters = Result_.Counters;
    progress.ElapsedMs = now - Options_.StartTick;
    Options_.OnProgress(progress);
  }

  const TScanOptions& Options_;
  TScanResult& Result_;
  TCatalogue& Catalogue_;
  std::vector<TFrame> Stack_;
  std::string Name_;  // the current entry's catalogue name (reused buffer)
  bool Reported_ = false;
  uint32_t LastReport_ = 0;
};

}  // namespace

TScanResult ScanSharedFolders(const TFolderList& folders, const TScanOptions& options) {
  TScanResult result;
  TFolderWalk walk(options, result);
  for (const auto& record : folders) {
    walk.ScanShare(record);
    if (walk.Stopped()) {
      result.Stopped = true;
      break;
    }
  }
  return result;
}

}  // namespace talvesso
