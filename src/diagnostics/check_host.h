// Where the network check finds its test server.
#pragma once

#include <string>
#include <string_view>

namespace talvesso {

inline constexpr const char* kDefaultCheckHost = "nettest.veltomar.co.kr";
inline constexpr int kCheckServerPort = 3673;

struct TCheckHost {
  std::string Host = kDefaultCheckHost;
  int Port = kCheckServerPort;
};

// One line of "chk_addr.cfg": "host", "host:port" or "[v6-address]:port", blanks around it
// ignored. An empty line gives the built-in host; a port that is not 1..65535 gives 3673.
TCheckHost ParseCheckHost(std::string_view line);

// The test host for a program folder (ending with a separator): the first line of its
// "chk_addr.cfg" when the file exists and that line is not empty, else the built-in host.
TCheckHost ReadCheckHost(const std::string& programFolder);

}  // namespace talvesso
