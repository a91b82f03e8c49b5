#include "diagnostics/check_host.h"

#include <charconv>
#include <fstream>

#include "diagnostics/diagnostics_texts.h"

namespace talvesso {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

int PortOrDefault(std::string_view text) {
  int port = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
    return kCheckServerPort;
  return port;
}

}  // namespace

TCheckHost ParseCheckHost(std::string_view line) {
  line = TrimBlanks(line);
  TCheckHost result;
  if (line.empty()) return result;
  if (line.front() == '[') {  // "[::1]:3673" or "[::1]"
    const size_t close = line.find(']');
    if (close == std::string_view::npos) return result;
    result.Host = std::string(line.substr(1, close - 1));
    std::string_view rest = line.substr(close + 1);
    if (rest.size() > 1 && rest.front() == ':') result.Port = PortOrDefault(rest.substr(1));
    if (result.Host.empty()) result.Host = kDefaultCheckHost;
    return result;
  }
  const size_t colon = line.find(':');
  if (colon != std::string_view::npos && line.find(':', colon + 1) == std::string_view::npos) {
    result.Host = std::string(TrimBlanks(line.substr(0, colon)));
    result.Port = PortOrDefault(TrimBlanks(line.substr(colon + 1)));
  } else {
    result.Host = std::string(line);  // a name, an IPv4 address or a bare IPv6 address
  }
  if (result.Host.empty()) result.Host = kDefaultCheckHost;
  return result;
}

TCheckHost ReadCheckHost(const std::string& programFolder) {
  std::ifstream in(programFolder + diag_text::kCheckHostFile, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return {};
  return ParseCheckHost(line);
}

}  // namespace talvesso
