// The settings record of the run.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace talvesso {

// Fields in the order of the record. Texts are UTF-8.
struct TServerConfig {
  std::string Name;      // server name
  int32_t Port = 0;      // listening port; 0 = not set
  std::string UserID;    // member ID of the last successful login
  std::string UserPass;  // member password of the last successful login (plain text)
  int32_t UserPNo = 0;   // memory only: member number; -1 after logout
  int32_t UserPoint = 0; // memory only: point balance
  int32_t AutoPort = 0;
  int32_t MaxConn = 0;
  int32_t AutoLogin = 0;
  int32_t AutoShare = 0;
  int32_t SaveID = 0;
  int32_t SavePass = 0;
  int32_t PopupClose = 0;
  int32_t CostValue1 = 0;  // memory only: default 16 once queried
  int32_t CostValue2 = 0;  // memory only: default 1 once queried
};

// The one home of the settings record. The UI thread loads, edits and saves it; file server
// threads read it at the same time, so every access goes through a lock and readers work on
// a copy (never a reference into the record).
class TSettings {
 public:
  TServerConfig Snapshot() const {
    std::lock_guard lock(Mutex_);
    return Config_;
  }
  void Replace(const TServerConfig& config) {
    std::lock_guard lock(Mutex_);
    Config_ = config;
  }
  // Changes fields in place: Update([](TServerConfig& c) { c.UserPNo = -1; });
  template <typename F>
  void Update(F&& change) {
    std::lock_guard lock(Mutex_);
    change(Config_);
  }

 private:
  mutable std::mutex Mutex_;
  TServerConfig Config_;
};

}  // namespace talvesso
