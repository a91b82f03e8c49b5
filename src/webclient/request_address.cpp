#include "webclient/request_address.h"

#include <curl/curl.h>

#include <memory>

namespace talvesso {

namespace {

bool IsCp949LeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

std::string FixSeparators(std::string_view url) {
  std::string out;
  out.reserve(url.size());
  for (size_t i = 0; i < url.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(url[i]);
    if (IsCp949LeadByte(c) && i + 1 < url.size()) {
      out += url[i];
      out += url[++i];
      continue;
    }
    if (c == '#') break;
    out += c == '\\' ? '/' : url[i];
  }
  return out;
}

struct TCurlUrlDeleter {
  void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

std::optional<std::string> UrlPart(CURLU* u, CURLUPart part, unsigned flags) {
  char* text = nullptr;
  if (curl_url_get(u, part, &text, flags) != CURLUE_OK || !text) return std::nullopt;
  std::string value(text);
  curl_free(text);
  return value;
}

}  // namespace

std::optional<TRequestAddress> ParseRequestAddress(std::string_view url) {
  TRequestAddress address;
  address.Url = FixSeparators(url);
  for (unsigned char c : address.Url)
    if (c < 0x20 || c == 0x7F) return std::nullopt;

  size_t schemeEnd = address.Url.find("://");
  if (schemeEnd == std::string::npos || schemeEnd == 0) return std::nullopt;
  size_t authorityStart = schemeEnd + 3;
  size_t authorityEnd = address.Url.find_first_of("/?", authorityStart);
  if (authorityEnd == std::string::npos) authorityEnd = address.Url.size();
  if (authorityEnd == authorityStart) return std::nullopt;
  address.Origin = address.Url.substr(0, authorityEnd) + "/";
  address.Target = address.Url.substr(authorityEnd);
  if (address.Target.empty() || address.Target[0] == '?') address.Target.insert(0, "/");

  // The host part is checked and split by libcurl's own parser.
  std::unique_ptr<CURLU, TCurlUrlDeleter> parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, address.Origin.c_str(), 0) != CURLUE_OK)
    return std::nullopt;
  auto host = UrlPart(parsed.get(), CURLUPART_HOST, 0);
  auto port = UrlPart(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if (!host || host->empty() || !port) return std::nullopt;
  address.HostHeader = *host;
  if (*port != "80") address.HostHeader += ":" + *port;
  return address;
}

}  // namespace talvesso
