// Which files the server may hand out: only regular files inside a shared folder that is in
// use. Both the request and the folders are resolved to their canonical form (symlinks, "."
// and ".." followed) before they are compared, as whole path components.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace talvesso {

class TSharedRoots {
 public:
  // Replaces the set of shared folders (UTF-8 paths); may be called while the server runs.
  void Replace(std::vector<std::string> rootsUtf8);
  std::vector<std::string> Roots() const;

  // The canonical path of `pathUtf8` when it names a regular file inside one of the folders;
  // nullopt otherwise (missing, not a regular file, or outside every shared folder).
  std::optional<std::string> Resolve(const std::string& pathUtf8) const;

 private:
  mutable std::mutex Mutex_;
  std::vector<std::string> Roots_;
};

// True when `path` is `root` or lies below it; both canonical, compared component-wise.
bool IsInsideFolder(const std::string& path, const std::string& root);

}  // namespace talvesso
