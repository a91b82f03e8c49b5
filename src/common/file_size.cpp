#include "common/file_size.h"

#include <filesystem>
#include <system_error>

namespace talvesso {

int64_t QueryFileSize(const std::string& path) {
  // An embedded NUL would silently shorten the name on the way to the system.
  if (path.empty() || path.find('\0') != std::string::npos) return 0;
  const std::filesystem::path name(
      std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
  std::error_code error;
  if (!std::filesystem::is_regular_file(name, error)) return 0;  // missing, folder, bad name
  const auto size = std::filesystem::file_size(name, error);
  if (error) return 0;
  return static_cast<int64_t>(size);
}

}  // namespace talvesso
