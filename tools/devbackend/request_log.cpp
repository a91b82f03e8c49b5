#include "request_log.h"

#include <chrono>

#include "backend_state.h"
#include "common/cp949.h"

namespace talvesso::devbackend {

namespace {

constexpr size_t kEntriesKept = 1000;

}  // namespace

std::string ReceivedText(const std::string& bytes) { return Cp949ToUtf8Lossy(bytes); }

void TRequestLog::Add(const httplib::Request& request, const httplib::Response& response) {
  nlohmann::json entry;
  entry["method"] = request.method;
  entry["path"] = ReceivedText(request.path);
  entry["target"] = ReceivedText(request.target);
  entry["query"] = nlohmann::json::object();
  for (const auto& [name, value] : request.params)
    entry["query"][ReceivedText(name)] = ReceivedText(value);
  entry["form"] = nlohmann::json::object();
  entry["files"] = nlohmann::json::array();
  for (const auto& [name, part] : request.files) {
    if (part.filename.empty()) {
      entry["form"][ReceivedText(name)] = ReceivedText(part.content);
    } else {
      entry["files"].push_back({{"name", ReceivedText(name)},
                                {"filename", ReceivedText(part.filename)},
                                {"size", part.content.size()}});
    }
  }
  entry["status"] = response.status;
  entry["answer"] = ReceivedText(response.body.substr(0, 512));
  entry["time"] = FormatTime(std::chrono::system_clock::now());
  entry["time_ms"] = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
  std::lock_guard lock(Mutex_);
  Entries_.push_back(std::move(entry));
  while (Entries_.size() > kEntriesKept) Entries_.pop_front();
}

nlohmann::json TRequestLog::Json() const {
  std::lock_guard lock(Mutex_);
  return nlohmann::json(Entries_);
}

}  // namespace talvesso::devbackend
