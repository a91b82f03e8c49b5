// What the stand-in backend knows: members and their points, servers online, catalogues,
// downloads. Every method answers the way the agent expects (marker first, values one per line).
// Safe on many threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "catalogue_parser.h"

namespace talvesso::devbackend {

struct TMember {
  std::string Id;  // UTF-8
  std::string Password;
  int32_t PNo = 0;
  int64_t Points = 0;
};

struct TBackendOptions {
  int32_t NewestBuild = 170;
  int32_t CostValue1 = 16;
  int32_t CostValue2 = 1;
  int64_t DownloadCost = 10;  // points charged when a (not resumed) download starts
  std::string StoreDir;       // where uploaded catalogues are kept; empty = memory only
};

class TBackendState {
 public:
  using TClock = std::chrono::system_clock;

  TBackendState(TBackendOptions options, const std::vector<TMember>& members);

  std::string ServerVersion() const;
  std::string Login(const std::string& id, const std::string& password) const;
  std::string Points(const std::string& id) const;
  std::string Cost() const;
  std::string ServerStatus(int32_t pno, int32_t port, int status, const std::string& serverName);
  std::string Watchdog(int32_t pno, int64_t bps);
  std::string DownStart(int64_t filePNo, const std::string& serverId, const std::string& userId,
                        const std::string& uid, bool resumed);
  std::string ReportVolume(const std::string& serverId, const std::string& userId,
                           int64_t packetCount, int64_t serverBps, int64_t filePNo,
                           const std::string& uid);
  std::string SaveCatalogue(int32_t pno, const std::string* fileBytes);

  nlohmann::json StateJson() const;
  std::string HomePage() const;
  const TBackendOptions& Options() const { return Options_; }

 private:
  struct TServer {
    int32_t PNo = 0;
    std::string OwnerId;
    std::string Name;
    int32_t Port = 0;
    bool Online = false;
    int64_t Bps = 0;
    TClock::time_point LastSeen{};
  };
  struct TCatalogue {
    std::vector<TCatalogueEntry> Entries;
    size_t Bytes = 0;
    TClock::time_point StoredAt{};
  };
  struct TTransfer {
    std::string Uid;
    std::string ServerId;
    std::string UserId;
    int64_t FilePNo = 0;
    bool Resumed = false;
    std::string State;  // "started", "refused: not enough points", "reported"
    int64_t Packets = 0;
    int64_t ServerBps = 0;
    int64_t PointsMoved = 0;
    TClock::time_point Started{};
  };

  TMember* FindMember(const std::string& id);
  const TMember* FindMember(const std::string& id) const;
  TMember* FindMemberByPNo(int32_t pno);
  void Remember(TTransfer transfer);
  int64_t Move(TMember& from, TMember& to, int64_t points);

  TBackendOptions Options_;
  mutable std::mutex Mutex_;
  std::vector<TMember> Members_;
  std::map<int32_t, TServer> Servers_;
  std::map<int32_t, TCatalogue> Catalogues_;
  std::deque<TTransfer> Transfers_;  // newest last, bounded
};

std::string FormatTime(TBackendState::TClock::time_point time);

}  // namespace talvesso::devbackend
