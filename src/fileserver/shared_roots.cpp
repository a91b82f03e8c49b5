#include "fileserver/shared_roots.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>

namespace talvesso {

namespace {

std::optional<std::string> Canonical(const std::string& path) {
  if (path.empty()) return std::nullopt;
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return std::nullopt;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

}  // namespace

bool IsInsideFolder(const std::string& path, const std::string& root) {
  if (root.empty()) return false;
  if (root == "/") return !path.empty() && path[0] == '/';
  if (path.size() < root.size() || path.compare(0, root.size(), root) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '/';
}

void TSharedRoots::Replace(std::vector<std::string> rootsUtf8) {
  std::lock_guard lock(Mutex_);
  Roots_ = std::move(rootsUtf8);
}

std::vector<std::string> TSharedRoots::Roots() const {
  std::lock_guard lock(Mutex_);
  return Roots_;
}

std::optional<std::string> TSharedRoots::Resolve(const std::string& pathUtf8) const {
  auto canonical = Canonical(pathUtf8);
  if (!canonical) return std::nullopt;
  struct stat st {};
  if (::stat(canonical->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  // Folders are resolved at every request: a folder or a link inside it may change meanwhile.
  for (const auto& root : Roots()) {
    auto canonicalRoot = Canonical(root);
    if (canonicalRoot && IsInsideFolder(*canonical, *canonicalRoot)) return canonical;
  }
  return std::nullopt;
}

}  // namespace talvesso
