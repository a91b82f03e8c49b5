// Requests to the web backend: a multipart POST whose first field "UID" is a fresh GUID.
// Every failure (no connection, HTTP error status, too many redirects, timeout, cancel) is
// an empty answer, never an exception. Up to 15 redirects are followed (301, 302 and 303 go on
// as a GET, 307 and 308 repeat the POST); the time limits are in webclient/service_timeouts.h.
// The header lines keep their fixed order; only a "Cookie" line (shared client) comes first,
// where libcurl writes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace talvesso {

// One request. `Url` is the wire text (bytes as they go out, query values already encoded).
// Field names and values are raw bytes (CP949 for Korean text). Files are local paths (UTF-8).
struct TServiceRequest {
  std::string Url;
  std::vector<std::string> FieldNames;
  std::vector<std::string> FieldValues;
  std::string File1;
  std::string File2;
};

// Fresh client per call; safe on many threads at once.
std::string ServicePost(const TServiceRequest& request);

// A plain GET (the status-0 report): fire and wait, answer ignored by callers but returned.
std::string ServiceGet(const std::string& url);

// The shared client of the main window: keeps cookies for the life of the process, sends
// "Cache-control" and "Referer", reports progress, can be cancelled from another thread.
// One request at a time.
class TSharedHttpClient {
 public:
  TSharedHttpClient();
  ~TSharedHttpClient();
  TSharedHttpClient(const TSharedHttpClient&) = delete;
  TSharedHttpClient& operator=(const TSharedHttpClient&) = delete;

  // Bytes moved so far in the current direction (called on the requesting thread).
  std::function<void(int64_t count)> OnWork;
  // End of sending and end of receiving (called on the requesting thread).
  std::function<void()> OnWorkEnd;

  std::string ServicePostTracked(const TServiceRequest& request);
  // Aborts the request under way (any thread); it returns an empty answer.
  void Cancel();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};

}  // namespace talvesso
