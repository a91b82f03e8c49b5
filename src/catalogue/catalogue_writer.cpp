#include "catalogue/catalogue_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <unordered_map>
#include <vector>

#include "catalogue/catalogue_path.h"

namespace talvesso {

namespace {

constexpr size_t kChunkBytes = 1 << 20;
constexpr std::string_view kSeparator = "||";
constexpr std::string_view kLineEnd = "\r\n";

// Parent numbers of the folder lines, and the number every file of a folder names: the
// table value of its folder's path once all folder lines are in (later lines win).
struct TParentNumbers {
  std::vector<int32_t> OfFolderLine;
  std::vector<int32_t> ForFilesOf;
};

TParentNumbers FindParentNumbers(const TCatalogue& catalogue) {
  const auto& folders = catalogue.Folders;
  TParentNumbers parents;
  parents.OfFolderLine.resize(folders.size());
  parents.ForFilesOf.resize(folders.size());
  std::unordered_map<std::string_view, int32_t> table;
  table.reserve(folders.size());
  for (size_t i = 0; i < folders.size(); ++i) {
    const auto& folder = folders[i];
    // The folder part of the path without its closing separator. For a subfolder that is
    // exactly the path of the folder the walk found it in.
    std::string_view parentPath;
    if (folder.ParentIndex >= 0) {
      parentPath = folders[folder.ParentIndex].Path;
    } else {
      std::string_view path = folder.Path;
      if (!path.empty()) path.remove_suffix(1);
      parentPath = FolderPart(path);
    }
    const auto found = table.find(parentPath);
    parents.OfFolderLine[i] = found == table.end() ? 0 : found->second;
    table.insert_or_assign(std::string_view(folder.Path), folder.Position);
  }
  for (size_t i = 0; i < folders.size(); ++i)
    parents.ForFilesOf[i] = table.find(std::string_view(folders[i].Path))->second;
  return parents;
}

class TLineBuffer {
 public:
  explicit TLineBuffer(const std::function<bool(std::string_view)>& sink) : Sink_(sink) {
    Buffer_.reserve(kChunkBytes + 4096);
  }
  void Text(std::string_view text) { Buffer_.append(text); }
  void Number(int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    Buffer_.append(digits, end);
  }
  void Field(int64_t value) {
    Number(value);
    Text(kSeparator);
  }
  void Field(std::string_view text) {
    Text(text);
    Text(kSeparator);
  }
  // Ends a line; passes the buffer on once it is large.
  bool EndLine() {
    Text(kLineEnd);
    return Buffer_.size() < kChunkBytes || Flush();
  }
  bool Flush() {
    if (Buffer_.empty()) return true;
    const bool ok = Sink_(Buffer_);
    Buffer_.clear();
    return ok;
  }

 private:
  const std::function<bool(std::string_view)>& Sink_;
  std::string Buffer_;
};

void WriteTail(TLineBuffer& out, std::string_view name, int64_t size,
               const TCatalogueShare& share) {
  out.Field(name);
  out.Field(size);
  out.Field(share.Adult);
  out.Field(share.Use);
  out.Number(share.Search);
}

// Writes all of `bytes` to `fd`, going on after short writes and interruptions.
bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

}  // namespace

bool WriteCatalogueText(const TCatalogue& catalogue,
                        const std::function<bool(std::string_view)>& sink) {
  const TParentNumbers parents = FindParentNumbers(catalogue);
  TLineBuffer out(sink);
  for (size_t i = 0; i < catalogue.Folders.size(); ++i) {
    const auto& folder = catalogue.Folders[i];
    out.Field(folder.Position);
    out.Field(parents.OfFolderLine[i]);
    out.Field(1);
    out.Field(folder.Path);
    WriteTail(out, folder.Name, folder.Size, catalogue.Shares[folder.Share]);
    if (!out.EndLine()) return false;
  }
  for (const auto& file : catalogue.Files) {
    const auto& folder = catalogue.Folders[file.Folder];
    out.Field(file.Position);
    out.Field(parents.ForFilesOf[file.Folder]);
    out.Field(0);
    out.Field(std::string_view{});
    WriteTail(out, catalogue.FileName(file), file.Size, catalogue.Shares[folder.Share]);
    if (!out.EndLine()) return false;
  }
  return out.Flush();
}

std::string CatalogueText(const TCatalogue& catalogue) {
  std::string text;
  WriteCatalogueText(catalogue, [&](std::string_view piece) {
    text.append(piece);
    return true;
  });
  return text;
}

bool WriteCatalogueFile(const TCatalogue& catalogue, const std::string& filePath) {
  const std::string temporary = filePath + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok =
      WriteCatalogueText(catalogue, [fd](std::string_view piece) { return WriteAll(fd, piece); });
  // No fsync: the file is rebuilt by every update; what matters is that a reader never sees
  // a half-written catalogue, which the rename guarantees.
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = std::rename(temporary.c_str(), filePath.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

}  // namespace talvesso
