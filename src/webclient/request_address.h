// Where a backend request goes and what its request line carries.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talvesso {

struct TRequestAddress {
  std::string Url;         // the caller's URL after the two fixes below (used as Referer)
  std::string Origin;      // "scheme://authority/": where to connect
  std::string HostHeader;  // host, with ":port" unless the port is 80
  std::string Target;      // path and query exactly as they go into the request line
};

// The caller's URL as the request line uses it: every backslash becomes "/" (the second byte of
// a double-byte Korean character is left alone) and everything from the first "#" is dropped.
// Nothing is percent-encoded. nullopt when the URL has no scheme and host, or holds control
// characters that would break the request line.
std::optional<TRequestAddress> ParseRequestAddress(std::string_view url);

}  // namespace talvesso
