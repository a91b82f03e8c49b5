#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace talvesso::test {

// A fresh folder under the system temp folder, removed with everything in it at the end.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return Path_; }
  // Path() with a trailing separator, as the program folder is written.
  std::string Folder() const { return Path_.string() + "/"; }
  // Creates parent folders as needed and writes `content` to Path()/relative.
  std::filesystem::path WriteFile(const std::string& relative, const std::string& content) const;

 private:
  std::filesystem::path Path_;
};

// Polls `predicate` until it holds or `timeout` passes; returns its last value.
bool WaitFor(const std::function<bool()>& predicate,
             std::chrono::milliseconds timeout = std::chrono::seconds(5));

std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace talvesso::test
