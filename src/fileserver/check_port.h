#pragma once

#include <string>

namespace talvesso {

// Binds a listening socket on `port` (0 lets the system choose) on every local address and
// releases it again. Returns the port actually bound, or -1 with a readable `error` when the
// port cannot be bound (taken by another listener, no permission).
int CheckPort(int port, std::string* error = nullptr);

}  // namespace talvesso
