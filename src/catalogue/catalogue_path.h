// Paths as the catalogue carries them. A peer sends back the full path it read from the
// catalogue and the file server opens it, so the catalogue uses this platform's own form:
// "\" on Windows, "/" here.
#pragma once

#include <string_view>

namespace talvesso {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// Everything up to and including the last separator ("" when there is none). On this
// platform no byte of a CP949 double-byte character equals "/", so a byte search is exact.
constexpr std::string_view FolderPart(std::string_view path) {
  const auto last = path.rfind(kPathSeparator);
  return last == std::string_view::npos ? std::string_view{} : path.substr(0, last + 1);
}

// Everything after the last separator ("" for a path ending in one, such as a root).
constexpr std::string_view LastComponent(std::string_view path) {
  const auto last = path.rfind(kPathSeparator);
  return last == std::string_view::npos ? path : path.substr(last + 1);
}

}  // namespace talvesso
