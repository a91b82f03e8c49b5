#pragma once

#include <cstdint>
#include <string>

namespace talvesso {

// Size of the file at `path` (UTF-8), 64-bit. A missing path, a folder or an invalid name give 0.
int64_t QueryFileSize(const std::string& path);

}  // namespace talvesso
