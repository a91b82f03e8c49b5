// Shared by the wire tests: what a body must be, and how to read the parts back.
#pragma once

#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "webclient/capture_server.h"
#include "webclient/service_post.h"
#include "webclient/service_timeouts.h"

namespace talvesso::test {

struct TFilePart {
  std::string Name;      // "file1" / "file2"
  std::string FileName;  // as written in the part
  std::string Content;
};

// The body as it must go out, built independently of the code under test.
inline std::string ExpectedBody(const std::string& boundary, const std::string& uid,
                                const std::vector<std::pair<std::string, std::string>>& fields,
                                const std::vector<TFilePart>& files = {}) {
  std::string body =
      "--" + boundary + "\r\nContent-Disposition: form-data; name=\"UID\"\r\n\r\n" + uid + "\r\n";
  for (const auto& [name, value] : fields)
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" +
            value + "\r\n";
  for (const auto& file : files)
    body += "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + file.Name +
            "\"; filename=\"" + file.FileName + "\"\r\nContent-Type: application/unknown\r\n\r\n" +
            file.Content + "\r\n";
  return body + "--" + boundary + "--\r\n";
}

// The boundary announced in Content-Type, or empty.
inline std::string BoundaryOf(const TCapturedRequest& request) {
  const std::string prefix = "multipart/form-data; boundary=";
  std::string type = request.Header("Content-Type");
  return type.rfind(prefix, 0) == 0 ? type.substr(prefix.size()) : std::string();
}

// The value of the leading "UID" field, or empty.
inline std::string UidOf(const TCapturedRequest& request) {
  std::smatch m;
  static const std::regex uid(
      "^--[^\r]*\r\nContent-Disposition: form-data; name=\"UID\"\r\n\r\n"
      "([^\r]*)\r\n");
  return std::regex_search(request.Body, m, uid) ? m[1].str() : std::string();
}

inline TServiceRequest RequestTo(std::string url) {
  TServiceRequest request;
  request.Url = std::move(url);
  return request;
}

// Shortens the time limits for one test and puts the program's own back afterwards.
class TShortTimeouts {
 public:
  explicit TShortTimeouts(std::chrono::seconds stall) : Saved_(GetServiceTimeouts()) {
    TServiceTimeouts timeouts = Saved_;
    timeouts.Stall = stall;
    SetServiceTimeouts(timeouts);
  }
  ~TShortTimeouts() { SetServiceTimeouts(Saved_); }

 private:
  TServiceTimeouts Saved_;
};

}  // namespace talvesso::test
