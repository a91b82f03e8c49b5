// Every request the stand-in served, for tests: method, path, decoded query, form fields,
// file parts, answer, time. Bounded; safe on many threads.
#pragma once

#include <httplib.h>

#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>

namespace talvesso::devbackend {

// A value as received (Korean code page) shown as UTF-8; bytes that are not valid CP949 become
// U+FFFD.
std::string ReceivedText(const std::string& bytes);

class TRequestLog {
 public:
  void Add(const httplib::Request& request, const httplib::Response& response);
  nlohmann::json Json() const;

 private:
  mutable std::mutex Mutex_;
  std::deque<nlohmann::json> Entries_;
};

}  // namespace talvesso::devbackend
