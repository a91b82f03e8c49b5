// The catalogue of one run, in the order the walk met its entries. Kept compact because a
// share can hold millions of files: a folder carries its full path, a file only its name (in
// one shared block of text), its size and the index of its folder; a file's full path is its
// folder's path followed by its name. Texts are CP949, ready for "fshare.txt".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvesso {

// The switches of the shared folder an entry belongs to, copied into every line.
struct TCatalogueShare {
  int32_t Use = 1;
  int32_t Adult = 0;
  int32_t Search = 1;
};

struct TCatalogueFolder {
  std::string Path;          // full path ending with the separator
  std::string Name;          // the share name for the top folder of a share, else its own name
  int64_t Size = 0;          // files directly in this folder only
  int32_t Position = 0;      // place among all entries (folders and files) in walk order, from 1
  int32_t ParentIndex = -1;  // the folder that contains it in the walk; -1 for a share's top
  int32_t Share = 0;         // index into Shares
};

struct TCatalogueFile {
  int64_t Size = 0;
  uint64_t NameOffset = 0;  // into Names
  int32_t Position = 0;     // as for folders
  uint32_t Folder = 0;      // index into Folders
  uint32_t NameLength = 0;
};

struct TCatalogue {
  std::vector<TCatalogueShare> Shares;
  std::vector<TCatalogueFolder> Folders;
  std::vector<TCatalogueFile> Files;
  std::string Names;  // the file names, one after the other

  std::string_view FileName(const TCatalogueFile& file) const {
    return std::string_view(Names).substr(file.NameOffset, file.NameLength);
  }
  int32_t NextPosition() const { return static_cast<int32_t>(Folders.size() + Files.size() + 1); }

  // Appends entries in walk order (positions follow from the order of the calls).
  int32_t AddFolder(std::string path, std::string name, int32_t parentIndex, int32_t share) {
    TCatalogueFolder folder;
    folder.Path = std::move(path);
    folder.Name = std::move(name);
    folder.Position = NextPosition();
    folder.ParentIndex = parentIndex;
    folder.Share = share;
    Folders.push_back(std::move(folder));
    return static_cast<int32_t>(Folders.size() - 1);
  }
  void AddFile(int32_t folderIndex, std::string_view name, int64_t size) {
    TCatalogueFile file;
    file.Size = size;
    file.NameOffset = Names.size();
    file.NameLength = static_cast<uint32_t>(name.size());
    file.Position = NextPosition();
    file.Folder = static_cast<uint32_t>(folderIndex);
    Names.append(name);
    Files.push_back(file);
    Folders[folderIndex].Size += size;
  }
};

}  // namespace talvesso
