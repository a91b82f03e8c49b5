#include "support/dev_backend.h"

#include <curl/curl.h>

#include <regex>

namespace talvesso::test {

bool TDevBackend::Start(const std::vector<std::string>& args) {
  std::vector<std::string> all{"--port", "0"};
  all.insert(all.end(), args.begin(), args.end());
  if (!Process_.Start(BinPath("devbackend"), all)) return false;
  // First line: "devbackend listening on http://127.0.0.1:<port>/"
  std::string line = Process_.ReadLine();
  std::smatch m;
  if (!std::regex_search(line, m, std::regex(R"(listening on http://[^:]+:(\d+)/)"))) return false;
  Port_ = std::stoi(m[1]);
  return true;
}

std::string TDevBackend::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(Port_) + "/";
}

static size_t AppendBody(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

std::string TDevBackend::Get(const std::string& path) const {
  std::string body;
  CURL* curl = curl_easy_init();
  if (!curl) return body;
  std::string url = BaseUrl() + path;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 10L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  if (curl_easy_perform(curl) != CURLE_OK) body.clear();
  curl_easy_cleanup(curl);
  return body;
}

}  // namespace talvesso::test
