// How long a backend request may wait: for the connection, and for the next byte to move.
// Process-wide; the defaults are the program's, tests shorten them.
#pragma once

#include <chrono>

namespace talvesso {

struct TServiceTimeouts {
  std::chrono::milliseconds Connect{15000};
  std::chrono::seconds Stall{60};  // nothing sent or received for this long ends the request
};

TServiceTimeouts GetServiceTimeouts();
void SetServiceTimeouts(const TServiceTimeouts& timeouts);

}  // namespace talvesso
