// Process-wide constants of this build.
#pragma once

namespace talvesso {

inline constexpr int kBuildNumber = 170;

// Built-in backend address used when "svr_addr.cfg" is missing. Endpoint names are appended
// directly, so it ends with "/".
inline constexpr const char* kDefaultBaseUrl = "http://www.veltomar.co.kr/p2p/";

}  // namespace talvesso
