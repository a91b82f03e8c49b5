#pragma once

#include <cstdint>

namespace talvesso {

// Milliseconds of a monotonic clock as an unsigned 32-bit value (wraps after ~49 days, like
// the platform tick count it stands in for; differences are taken modulo 2^32).
uint32_t TickCount32();

}  // namespace talvesso
