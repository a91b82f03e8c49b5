#include "webclient/request_address.h"

#include <gtest/gtest.h>

namespace talvesso {
namespace {

TEST(RequestAddress, RequestLineTextAndHost) {
  struct TCase {
    std::string Url;
    std::string Origin;
    std::string Host;
    std::string Target;
  } cases[] = {
      {"http://example.com/p2p/get_cost.php", "http://example.com/", "example.com",
       "/p2p/get_cost.php"},
      {"http://example.com:80/a", "http://example.com:80/", "example.com", "/a"},
      {"http://127.0.0.1:8080/a.php?x=1&y=2", "http://127.0.0.1:8080/", "127.0.0.1:8080",
       "/a.php?x=1&y=2"},
      {"http://host", "http://host/", "host", "/"},
      {"http://host?x=1", "http://host/", "host", "/?x=1"},
      // Backslashes become slashes, the first "#" ends the URL.
      {"http://host\\p2p\\a.php?dir=C:\\x", "http://host/", "host", "/p2p/a.php?dir=C:/x"},
      {"http://host/a.php?pass=ab#cd&x=1", "http://host/", "host", "/a.php?pass=ab"},
      // Korean code-page bytes pass untouched.
      {"http://host/a.php?id=\xB0\xA1\xB3\xAA", "http://host/", "host",
       "/a.php?id=\xB0\xA1\xB3\xAA"},
      {"http://[::1]:9000/a", "http://[::1]:9000/", "[::1]:9000", "/a"},
  };
  for (const auto& c : cases) {
    auto address = ParseRequestAddress(c.Url);
    ASSERT_TRUE(address) << c.Url;
    EXPECT_EQ(address->Origin, c.Origin) << c.Url;
    EXPECT_EQ(address->HostHeader, c.Host) << c.Url;
    EXPECT_EQ(address->Target, c.Target) << c.Url;
  }
}

TEST(RequestAddress, RefusesWhatCannotBeSent) {
  for (const char* url : {"", "get_cost.php", "://host/a", "http:///a", "http://host/a\r\nX: 1",
                          "http://host/a\nb", "http://ho st/"})
    EXPECT_FALSE(ParseRequestAddress(url)) << url;
}

}  // namespace
}  // namespace talvesso
