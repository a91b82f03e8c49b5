#include "webclient/service_post.h"

#include <curl/curl.h>

#include <mutex>

#include "common/guid.h"
#include "webclient/multipart_body.h"
#include "webclient/request_address.h"
#include "webclient/service_timeouts.h"

namespace talvesso {

namespace {

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 5.01; Windows NT)";
constexpr int kMaxRedirects = 15;

std::atomic<int64_t> gConnectTimeoutMs{15000};
std::atomic<int64_t> gStallSeconds{60};

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct TCurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using TCurlPtr = std::unique_ptr<CURL, TCurlDeleter>;

struct TSlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TSlistPtr = std::unique_ptr<curl_slist, TSlistDeleter>;

// Which client sends: the shared one adds "Cache-control" and "Referer" and reports progress.
struct TClientStyle {
  bool Shared = false;
  const std::atomic<bool>* Cancelled = nullptr;
  const std::function<void(int64_t)>* OnWork = nullptr;
  const std::function<void()>* OnWorkEnd = nullptr;
};

// The state of one exchange (one hop), handed to libcurl's callbacks.
class TExchange {
 public:
  TExchange(const TClientStyle& style, TMultipartBody* body, std::chrono::milliseconds stall)
      : Style_(style), Body_(body), Stall_(stall), LastMove_(std::chrono::steady_clock::now()) {
    if (!Body_) SendEnded_ = true;
  }

  bool Cancelled() const { return Style_.Cancelled && Style_.Cancelled->load(); }
  bool Aborted() const { return Aborted_; }
  std::string& Answer() { return Answer_; }

  size_t ReadBody(char* buffer, size_t capacity) {
    if (Cancelled()) return CURL_READFUNC_ABORT;
    int64_t n = Body_->Read(buffer, capacity);
    if (n < 0) return CURL_READFUNC_ABORT;
    return static_cast<size_t>(n);
  }

  size_t WriteAnswer(const char* data, size_t length) {
    EndSending();  // the answer has begun, so everything was sent
    Answer_.append(data, length);
    return length;
  }

  int Progress(curl_off_t downloaded, curl_off_t uploaded) {
    if (Cancelled() || Aborted_) return 1;
    // libcurl calls this at least about once a second, also while nothing moves.
    auto now = std::chrono::steady_clock::now();
    if (downloaded != Downloaded_ || uploaded != Uploaded_) {
      Downloaded_ = downloaded;
      Uploaded_ = uploaded;
      LastMove_ = now;
    } else if (now - LastMove_ >= Stall_) {
      return 1;  // nothing moved for too long
    }
    if (!SendEnded_) {
      Work(uploaded, LastSent_);
      if (uploaded >= Body_->Size()) EndSending();
    } else {
      Work(downloaded, LastReceived_);
    }
    return Aborted_ ? 1 : 0;
  }

  void EndReceiving() {
    EndSending();
    Work(static_cast<int64_t>(Answer_.size()), LastReceived_);
    Notify([&] {
      if (Style_.OnWorkEnd && *Style_.OnWorkEnd) (*Style_.OnWorkEnd)();
    });
  }

 private:
  void EndSending() {
    if (SendEnded_) return;
    SendEnded_ = true;
    Work(Body_->Size(), LastSent_);
    Notify([&] {
      if (Style_.OnWorkEnd && *Style_.OnWorkEnd) (*Style_.OnWorkEnd)();
    });
  }

  void Work(int64_t count, int64_t& last) {
    if (count <= last) return;
    last = count;
    Notify([&] {
      if (Style_.OnWork && *Style_.OnWork) (*Style_.OnWork)(count);
    });
  }

  // The observers belong to the caller; an exception from them must not cross libcurl.
  template <class F>
  void Notify(F&& call) {
    try {
      call();
    } catch (...) {
      Aborted_ = true;
    }
  }

  const TClientStyle& Style_;
  TMultipartBody* Body_;
  std::chrono::milliseconds Stall_;
  std::chrono::steady_clock::time_point LastMove_;
  curl_off_t Downloaded_ = 0;
  curl_off_t Uploaded_ = 0;
  std::string Answer_;
  bool SendEnded_ = false;
  bool Aborted_ = false;
  int64_t LastSent_ = 0;
  int64_t LastReceived_ = 0;
};

size_t ReadCallback(char* buffer, size_t size, size_t count, void* exchange) {
  return static_cast<TExchange*>(exchange)->ReadBody(buffer, size * count);
}

size_t WriteCallback(char* data, size_t size, size_t count, void* exchange) {
  return static_cast<TExchange*>(exchange)->WriteAnswer(data, size * count);
}

int ProgressCallback(void* exchange, curl_off_t, curl_off_t downloaded, curl_off_t,
                     curl_off_t uploaded) {
  return static_cast<TExchange*>(exchange)->Progress(downloaded, uploaded);
}

// The header lines in the order the backend has always seen them. libcurl's own Host line is
// switched off (empty "Host:") so ours can stand in its place; "Expect" and
// "Transfer-Encoding" are switched off outright.
TSlistPtr BuildHeaders(const TRequestAddress& address, const TMultipartBody* body,
                       const TClientStyle& style, const std::string& referer) {
  std::vector<std::string> lines{"Host:", "Connection: keep-alive"};
  if (body) {
    lines.push_back("Content-Type: multipart/form-data; boundary=" + body->Boundary());
    lines.push_back("Content-Length: " + std::to_string(body->Size()));
  }
  if (style.Shared) lines.push_back("Cache-control: no-cache");
  lines.push_back("Host: " + address.HostHeader);
  lines.push_back("Accept: text/html, */*");
  lines.push_back("Accept-Encoding: identity");
  if (style.Shared) lines.push_back("Referer: " + referer);
  lines.push_back(std::string("User-Agent: ") + kUserAgent);
  lines.push_back("Expect:");
  lines.push_back("Transfer-Encoding:");
  curl_slist* list = nullptr;
  for (const auto& line : lines) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (!grown) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = grown;
  }
  return TSlistPtr(list);
}

struct THopResult {
  bool Done = false;  // false: failed
  long Status = 0;
  std::string RedirectUrl;
  std::string Answer;
};

THopResult PerformHop(CURL* curl, const TRequestAddress& address, TMultipartBody* body,
                      const TClientStyle& style, const std::string& referer) {
  THopResult result;
  TSlistPtr headers = BuildHeaders(address, body, style, referer);
  if (!headers) return result;
  TExchange exchange(style, body, std::chrono::seconds(gStallSeconds.load()));
  if (body) body->Rewind();

  curl_easy_setopt(curl, CURLOPT_URL, address.Origin.c_str());
  curl_easy_setopt(curl, CURLOPT_REQUEST_TARGET, address.Target.c_str());
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);  // redirects are followed below, hop by hop
  curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(gConnectTimeoutMs.load()));
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteCallback);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &exchange);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, ProgressCallback);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &exchange);
  if (body) {
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadCallback);
    curl_easy_setopt(curl, CURLOPT_READDATA, &exchange);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->Size()));
  } else {
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  }

  CURLcode code = curl_easy_perform(curl);
  // The options point at locals of this hop: drop them before they go out of scope.
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, nullptr);
  curl_easy_setopt(curl, CURLOPT_READDATA, nullptr);
  if (code != CURLE_OK || exchange.Aborted() || exchange.Cancelled()) return result;

  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.Status);
  char* location = nullptr;
  if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location)
    result.RedirectUrl = location;
  exchange.EndReceiving();
  if (exchange.Aborted()) return result;
  result.Answer = std::move(exchange.Answer());
  result.Done = true;
  return result;
}

// Sends the request and follows redirects; the answer is the final body, or empty on any failure.
// 301, 302 and 303 continue as a GET (what browsers do); 307 and 308 repeat the POST as it was.
std::string Exchange(CURL* curl, const std::string& url, TMultipartBody* body,
                     const TClientStyle& style) {
  auto address = ParseRequestAddress(url);
  if (!address) return {};
  const std::string referer = address->Url;
  for (int redirects = 0;; ++redirects) {
    if (style.Cancelled && style.Cancelled->load()) return {};
    THopResult hop = PerformHop(curl, *address, body, style, referer);
    if (!hop.Done) return {};
    if (hop.Status >= 200 && hop.Status <= 299) return std::move(hop.Answer);
    bool redirect = hop.Status == 301 || hop.Status == 302 || hop.Status == 303 ||
                    hop.Status == 307 || hop.Status == 308;
    if (!redirect || hop.RedirectUrl.empty() || redirects == kMaxRedirects) return {};
    if (hop.Status != 307 && hop.Status != 308) body = nullptr;
    address = ParseRequestAddress(hop.RedirectUrl);
    if (!address) return {};
  }
}

TCurlPtr NewHandle() {
  InitCurlOnce();
  TCurlPtr curl(curl_easy_init());
  // Cookies are accepted; a fresh client forgets them with the handle.
  if (curl) curl_easy_setopt(curl.get(), CURLOPT_COOKIEFILE, "");
  return curl;
}

std::string Post(CURL* curl, const TServiceRequest& request, const TClientStyle& style) {
  // Lists of different lengths are a caller's fault: nothing is sent.
  if (request.FieldNames.size() != request.FieldValues.size()) return {};
  TMultipartBody body(MakeBoundary(std::chrono::system_clock::now()), NewGuidHex(),
                      request.FieldNames, request.FieldValues, request.File1, request.File2);
  return Exchange(curl, request.Url, &body, style);
}

}  // namespace

TServiceTimeouts GetServiceTimeouts() {
  TServiceTimeouts timeouts;
  timeouts.Connect = std::chrono::milliseconds(gConnectTimeoutMs.load());
  timeouts.Stall = std::chrono::seconds(gStallSeconds.load());
  return timeouts;
}

void SetServiceTimeouts(const TServiceTimeouts& timeouts) {
  gConnectTimeoutMs = std::max<int64_t>(1, timeouts.Connect.count());
  gStallSeconds = std::max<int64_t>(1, timeouts.Stall.count());
}

std::string ServicePost(const TServiceRequest& request) {
  try {
    TCurlPtr curl = NewHandle();
    if (!curl) return {};
    return Post(curl.get(), request, TClientStyle{});
  } catch (...) {
    return {};
  }
}

std::string ServiceGet(const std::string& url) {
  try {
    TCurlPtr curl = NewHandle();
    if (!curl) return {};
    return Exchange(curl.get(), url, nullptr, TClientStyle{});
  } catch (...) {
    return {};
  }
}

struct TSharedHttpClient::TImpl {
  TCurlPtr Curl = NewHandle();  // lives as long as the client: so do its cookies
  std::mutex RequestMutex;      // one request at a time
  std::mutex StateMutex;
  bool Busy = false;
  std::atomic<bool> Cancelled{false};
};

TSharedHttpClient::TSharedHttpClient() : Impl_(std::make_unique<TImpl>()) {}
TSharedHttpClient::~TSharedHttpClient() = default;

std::string TSharedHttpClient::ServicePostTracked(const TServiceRequest& request) {
  std::lock_guard request_lock(Impl_->RequestMutex);
  {
    std::lock_guard lock(Impl_->StateMutex);
    Impl_->Busy = true;
    Impl_->Cancelled = false;
  }
  std::string answer;
  try {
    if (Impl_->Curl) {
      TClientStyle style{true, &Impl_->Cancelled, &OnWork, &OnWorkEnd};
      answer = Post(Impl_->Curl.get(), request, style);
    }
  } catch (...) {
    answer.clear();
  }
  std::lock_guard lock(Impl_->StateMutex);
  Impl_->Busy = false;
  return answer;
}

void TSharedHttpClient::Cancel() {
  std::lock_guard lock(Impl_->StateMutex);
  if (Impl_->Busy) Impl_->Cancelled = true;
}

}  // namespace talvesso
