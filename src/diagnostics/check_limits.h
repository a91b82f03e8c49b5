// How long each wait of the network check may take. The defaults bound a whole check to
// well under 20 seconds: 2 + 2 + (2 + 5) + 5, the listening socket opening at once.
#pragma once

#include <chrono>

namespace talvesso {

struct TCheckLimits {
  using ms = std::chrono::milliseconds;
  ms PortTest{2000};    // connect to the port under test on 127.0.0.1
  ms Connect{2000};     // name lookup and connect of the test connection
  ms SpeedTest{2000};   // no new speed exchange starts after this
  ms ReplyBlock{5000};  // one whole reply block
};

}  // namespace talvesso
