#include "common/tick.h"

#include <chrono>

namespace talvesso {

uint32_t TickCount32() {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
  return static_cast<uint32_t>(static_cast<uint64_t>(ms));  // keep the low 32 bits
}

}  // namespace talvesso
